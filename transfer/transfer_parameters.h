// What the Additional Parameters of Setup may hand to the transfer programs.
//
// The parameters go straight into the argument list of curl (FTPS) or sftp
// (SFTP), and a setup file that came by e-mail can bring them. Many options
// of both programs run another program, load a library, read another
// configuration file or write a local file, so only the switches a club
// plausibly needs are let through (time-outs, TLS and cipher choices,
// passive/active and EPSV switches, IPv4/IPv6, verbose output, a key or CA
// file, host keys kept nowhere); everything else is refused. Plain FTP
// hands its parameters to no program but is held to the curl list all the
// same.
#pragma once

#include <string>
#include <vector>

// The first argument of args (as the program would receive them) that the
// protocol's program (0 FTP, 1 FTPS, 2 SFTP) may not be given, with its value
// when that is a separate argument; "" when every argument may be passed.
std::string FindRefusedArgument(int protocol, const std::vector<std::string>& args);
// The same over the text as typed in Setup (split as the worker splits it).
std::string FindRefusedParameter(int protocol, const std::string& text);

// The message for a refused parameter. From the Setup page it asks to
// remove it; before a transfer it also says that nothing was sent and where
// to change it.
std::string RefusedParameterMessage(int protocol, const std::string& parameter, bool inSetup);
