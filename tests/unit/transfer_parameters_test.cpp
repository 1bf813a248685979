#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/setup_checks.h"
#include "transfer/transfer_parameters.h"

namespace {

enum { FTP = 0, FTPS = 1, SFTP = 2 };

struct Case {
    int protocol;
    std::string typed;
    std::string refused;  // "" when let through
};

}  // namespace

// Every spelling the programs accept for an option that runs something,
// loads or reads a file or writes one is refused; so is anything that would
// shift the program's own options (a bare word, "--", a value left off).
TEST(TransferParameters, AllowedAndRefusedSpellings)
{
    const std::vector<Case> cases = {
        // curl: switches a club needs, long and short, bundled, values
        // attached or apart.
        {FTPS, "", ""},
        {FTPS, "-4 -v", ""},
        {FTPS, "-4vk", ""},
        {FTPS, "--cacert \"/a b/cert.pem\" --ssl-reqd --tlsv1.2 --ciphers ECDHE-RSA-AES128-GCM-SHA256", ""},
        {FTPS, "--connect-timeout 30 -m30 -m 2.5 --limit-rate 100k -Y 1000 -y 20", ""},
        {FTPS, "--ftp-port - -P 127.0.0.1 --disable-epsv --no-eprt --ftp-skip-pasv-ip --insecure", ""},
        {FTPS, "-K cfg", "-K"},
        {FTPS, "--config cfg", "--config"},
        {FTPS, "-o out", "-o"},
        {FTPS, "-vo out", "-vo"},
        {FTPS, "--output out", "--output"},
        {FTPS, "--engine /x/lib.so", "--engine"},
        {FTPS, "--stderr log", "--stderr"},
        {FTPS, "--trace log", "--trace"},
        {FTPS, "--libcurl x.c", "--libcurl"},
        {FTPS, "-x proxy:1", "-x"},
        {FTPS, "--verb", "--verb"},                  // an abbreviation curl would take
        {FTPS, "--verbose=1", "--verbose=1"},        // curl has no "=" form
        {FTPS, "-v file:///etc/passwd", "file:///etc/passwd"},  // another URL
        {FTPS, "-v --", "--"},
        {FTPS, "-", "-"},
        {FTPS, "-4 --connect-timeout", "--connect-timeout"},  // would take the next option as its value
        {FTPS, "-k -m", "-m"},
        {FTPS, "-m abc", "-m abc"},
        {FTPS, "-mx", "-mx"},
        {FTPS, "-k:", "-k:"},
        {FTPS, "--cacert \"a\nb\"", "--cacert a\nb"},
        // sftp: its flags and the ssh options worth setting, in every
        // spelling and letter case.
        {SFTP, "-C -4 -vvv -q", ""},
        {SFTP, "-i \"/k ey\" -i/k -l 100 -B 32768 -R 64 -c aes128-ctr", ""},
        {SFTP, "-oConnectTimeout=10 -o ConnectTimeout=10 -o \"ConnectTimeout 10\" -oconnecttimeout=5", ""},
        {SFTP, "-o\"ServerAliveInterval 30\" -vo KexAlgorithms=+diffie-hellman-group14-sha1 -Co Compression=yes", ""},
        {SFTP, "-oStrictHostKeyChecking=accept-new -o \"IdentityFile = /k\" -oUserKnownHostsFile=/dev/null", ""},
        {SFTP, "\"-oProxyCommand=sh -c 'touch x'\"", "-oProxyCommand=sh -c 'touch x'"},
        {SFTP, "-o \"ProxyCommand sh\"", "-o ProxyCommand sh"},
        {SFTP, "-oPROXYCOMMAND=sh", "-oPROXYCOMMAND=sh"},
        {SFTP, "-C -vo ProxyCommand=sh", "-vo ProxyCommand=sh"},
        {SFTP, "-o \"\\\"ProxyCommand\\\" sh\"", "-o \"ProxyCommand\" sh"},  // ssh unquotes the keyword
        {SFTP, "-oPermitLocalCommand=yes", "-oPermitLocalCommand=yes"},
        {SFTP, "-oLocalCommand=touch", "-oLocalCommand=touch"},
        {SFTP, "-oProxyJump=h -oInclude=f", "-oProxyJump=h"},
        {SFTP, "-oInclude=f", "-oInclude=f"},
        {SFTP, "-oUserKnownHostsFile=/tmp/k", "-oUserKnownHostsFile=/tmp/k"},
        {SFTP, "-oGlobalKnownHostsFile=/tmp/k", ""},
        {SFTP, "-oBatchMode=no", "-oBatchMode=no"},
        {SFTP, "-o Proxy-Command=sh", "-o Proxy-Command=sh"},
        // The program keeps its own connection for a run: none that ssh
        // would share, open or keep through a socket named here.
        {SFTP, "-oControlPath=/tmp/cm", "-oControlPath=/tmp/cm"},
        {SFTP, "-o ControlMaster=auto", "-o ControlMaster=auto"},
        {SFTP, "-o \"controlpersist 10\"", "-o controlpersist 10"},
        {SFTP, "\"-oCONTROLMASTER yes\"", "-oCONTROLMASTER yes"},
        {SFTP, "-4 -Co ControlPath=none", "-Co ControlPath=none"},
        {SFTP, "-o\"ControlPersist = 60\"", "-oControlPersist = 60"},
        {SFTP, "-o ControlMaster", "-o ControlMaster"},
        {SFTP, "-F cfg", "-F"},
        {SFTP, "-vF cfg", "-vF"},
        {SFTP, "-S /bin/prog", "-S"},
        {SFTP, "-D /bin/server", "-D"},
        {SFTP, "-J jump", "-J"},
        {SFTP, "-b batch", "-b"},
        {SFTP, "-P 2222", "-P"},
        {SFTP, "-A", "-A"},
        {SFTP, "--help", "--help"},
        {SFTP, "host", "host"},
        {SFTP, "-C -i", "-i"},  // would take the worker's "-F" for its key
        {SFTP, "-o", "-o"},
        {SFTP, "-l 1k", "-l 1k"},
        // Plain FTP is held to the curl list.
        {FTP, "-4", ""},
        {FTP, "-S x", "-S"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindRefusedParameter(c.protocol, c.typed), c.refused) << c.protocol << ": " << c.typed;
}

TEST(TransferParameters, SetupRefusesNewOnesAndNamesThem)
{
    SetupFtpValues before;
    before.protocol = FTPS;
    SetupFtpValues after = before;
    // A refused value in a protocol not on show is found all the same and
    // shown with its protocol.
    after.parameters[SFTP] = "-C -oProxyCommand=x";
    SetupProblem problem = CheckFtpValues(before, after);
    EXPECT_EQ(problem.page, 2);
    EXPECT_EQ(problem.field, SetupField::Parameters);
    EXPECT_EQ(problem.protocol, SFTP);
    EXPECT_NE(problem.message.find("SFTP hold \"-oProxyCommand=x\""), std::string::npos) << problem.message;
    EXPECT_NE(problem.message.find("Remove it"), std::string::npos);
    // A value the sheet opened with (from a setup file) does not block
    // other changes; the transfer commands refuse it instead.
    before.parameters[SFTP] = after.parameters[SFTP];
    after.parameters[FTPS] = "-v";
    EXPECT_FALSE(CheckFtpValues(before, after));
    EXPECT_NE(RefusedParameterMessage(FTPS, "-K x", false).find("Setup > FTP, Additional Parameters"),
              std::string::npos);
}
