#include "transfer/transfer_parameters.h"

#include <cctype>
#include <cstring>
#include <strings.h>

#include "transfer/process_runner.h"

namespace {

enum class Value { None, Number, Digits, Text, SshOption };

struct Option {
    const char* name;
    Value value;
};

// curl takes no "--name=value": a long option's value is always the next
// argument. Long names are matched whole (curl would also take an
// unambiguous abbreviation, which is simply refused here).
const Option kCurlLong[] = {
    {"--ftp-pasv", Value::None},        {"--ftp-port", Value::Text},       {"--ftp-skip-pasv-ip", Value::None},
    {"--ftp-method", Value::Text},      {"--epsv", Value::None},           {"--no-epsv", Value::None},
    {"--disable-epsv", Value::None},    {"--eprt", Value::None},           {"--no-eprt", Value::None},
    {"--disable-eprt", Value::None},    {"--ssl", Value::None},            {"--ssl-reqd", Value::None},
    {"--ftp-ssl-ccc", Value::None},     {"--tlsv1", Value::None},          {"--tlsv1.0", Value::None},
    {"--tlsv1.1", Value::None},         {"--tlsv1.2", Value::None},        {"--tlsv1.3", Value::None},
    {"--tls-max", Value::Text},         {"--ciphers", Value::Text},        {"--tls13-ciphers", Value::Text},
    {"--insecure", Value::None},        {"--cacert", Value::Text},         {"--capath", Value::Text},
    {"--connect-timeout", Value::Number}, {"--max-time", Value::Number},   {"--limit-rate", Value::Number},
    {"--speed-limit", Value::Number},   {"--speed-time", Value::Number},   {"--keepalive-time", Value::Number},
    {"--retry", Value::Number},         {"--retry-delay", Value::Number},  {"--ipv4", Value::None},
    {"--ipv6", Value::None},            {"--verbose", Value::None},        {"--tcp-nodelay", Value::None},
};

// Single letters, which curl and sftp both let the user bundle ("-4v"); a
// letter that takes a value takes the rest of its argument, or the next
// argument when nothing follows it.
const Option kCurlShort[] = {
    {"4", Value::None}, {"6", Value::None}, {"k", Value::None},    {"v", Value::None},
    {"P", Value::Text}, {"m", Value::Number}, {"Y", Value::Number}, {"y", Value::Number},
};

const Option kSftpShort[] = {
    {"4", Value::None}, {"6", Value::None},   {"C", Value::None},   {"v", Value::None},
    {"q", Value::None}, {"i", Value::Text},   {"c", Value::Text},   {"l", Value::Digits},
    {"B", Value::Digits}, {"R", Value::Digits}, {"o", Value::SshOption},
};

// ssh options (after -o) a club may need; ssh matches the names in any
// letter case.
// (GlobalKnownHostsFile: ssh only reads it, as the host keys a club's
// computers share.)
const char* const kSshOptions[] = {
    "AddressFamily", "Ciphers", "Compression", "ConnectionAttempts", "ConnectTimeout", "GlobalKnownHostsFile",
    "HostKeyAlgorithms",
    "IdentitiesOnly", "IdentityFile", "KexAlgorithms", "LogLevel", "MACs", "PubkeyAcceptedAlgorithms",
    "PubkeyAcceptedKeyTypes", "ServerAliveCountMax", "ServerAliveInterval", "StrictHostKeyChecking",
    "TCPKeepAlive",
};

bool HasControlCharacter(const std::string& s)
{
    for (unsigned char c : s) {
        if (c < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

bool IsNumber(const std::string& s, bool digitsOnly)
{
    size_t i = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i;
    if (i == 0)
        return false;
    if (digitsOnly)
        return i == s.size();
    if (i < s.size() && s[i] == '.') {
        const size_t start = ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i;
        if (i == start)
            return false;
    }
    if (i < s.size() && std::strchr("kKmMgG", s[i]))
        ++i;
    return i == s.size();
}

// An ssh configuration line as -o takes it: the keyword, then blanks and/or
// one "=", then the value. A quoted or otherwise unusual keyword is refused
// rather than guessed at.
bool IsAllowedSshOption(const std::string& line)
{
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    const size_t start = i;
    while (i < line.size() && std::isalnum(static_cast<unsigned char>(line[i])))
        ++i;
    if (i == start || (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '='))
        return false;
    const std::string keyword = line.substr(start, i - start);
    // Host keys may be kept nowhere, but not written into some other file.
    if (::strcasecmp(keyword.c_str(), "UserKnownHostsFile") == 0) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i < line.size() && line[i] == '=')
            ++i;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t end = line.size();
        while (end > i && (line[end - 1] == ' ' || line[end - 1] == '\t'))
            --end;
        return line.compare(i, end - i, "/dev/null") == 0;
    }
    for (const char* name : kSshOptions) {
        if (::strcasecmp(keyword.c_str(), name) == 0)
            return true;
    }
    return false;
}

bool IsAllowedValue(Value kind, const std::string& value)
{
    switch (kind) {
    case Value::None: return true;
    case Value::Number: return IsNumber(value, false);
    case Value::Digits: return IsNumber(value, true);
    case Value::Text: return true;
    case Value::SshOption: return IsAllowedSshOption(value);
    }
    return false;
}

template <size_t N>
const Option* Find(const Option (&table)[N], const std::string& name)
{
    for (const Option& o : table) {
        if (name == o.name)
            return &o;
    }
    return nullptr;
}

}  // namespace

std::string FindRefusedArgument(int protocol, const std::vector<std::string>& args)
{
    const bool sftp = protocol == 2;
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        // A bare word would be taken for another address (curl) or for the
        // destination (sftp); "--" would end the options before ours.
        if (arg.size() < 2 || arg[0] != '-' || HasControlCharacter(arg))
            return arg;
        // The value of an option that takes one: attached, or the next
        // argument. One missing would swallow the first of the program's
        // own options that follow.
        auto valueFits = [&](const Option& o, const std::string& attached, std::string& refused) {
            if (o.value == Value::None)
                return true;
            if (!attached.empty()) {
                refused = arg;
                return IsAllowedValue(o.value, attached);
            }
            if (k + 1 >= args.size()) {
                refused = arg;
                return false;
            }
            refused = arg + " " + args[k + 1];
            ++k;
            return !HasControlCharacter(args[k]) && IsAllowedValue(o.value, args[k]);
        };
        std::string refused;
        if (arg[1] == '-') {
            const Option* o = sftp ? nullptr : Find(kCurlLong, arg);
            if (!o || !valueFits(*o, std::string(), refused))
                return refused.empty() ? arg : refused;
            continue;
        }
        for (size_t i = 1; i < arg.size(); ++i) {
            const std::string letter(1, arg[i]);
            const Option* o = sftp ? Find(kSftpShort, letter) : Find(kCurlShort, letter);
            if (!o)
                return arg;
            if (o->value != Value::None) {
                if (!valueFits(*o, arg.substr(i + 1), refused))
                    return refused;
                break;
            }
        }
    }
    return {};
}

std::string FindRefusedParameter(int protocol, const std::string& text)
{
    return FindRefusedArgument(protocol, SplitArguments(text));
}

std::string RefusedParameterMessage(int protocol, const std::string& parameter, bool inSetup)
{
    const char* name = protocol == 2 ? "SFTP" : protocol == 1 ? "FTPS" : "FTP";
    std::string text = std::string("The Additional Parameters for ") + name + " hold \"" + parameter +
                       "\", which Quillmark does not accept: only parameters that cannot run another program "
                       "or read or write other files on this computer are passed on.\n\n";
    if (inSetup)
        text += "Remove it from the Additional Parameters.";
    else
        text += "Nothing was sent. Change it in Setup > FTP, Additional Parameters.";
    return text;
}
