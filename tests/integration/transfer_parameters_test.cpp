// Additional Parameters that would run a program, load a library or read or
// write a file never reach curl or sftp: each hostile parameter below makes
// a marker file when the program gets it.
#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include "transfer_fixture.h"

namespace {

struct Hostile {
    int protocol;
    std::string parameters;
};

}  // namespace

class HostileParameters : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        marker = folder.File("marker");
        ::setenv("QM_MARKER", marker.c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("QM_MARKER");
        TransferTest::TearDown();
    }
    // The fixture's own parameters (key, CA file) stay, so that the run
    // would reach the server if the hostile one were passed on.
    void UseWith(int protocol, const std::string& hostile)
    {
        UseProtocol(protocol);
        Ftp().m_strParameters[protocol] += " " + hostile;
    }
    std::string marker;
};

TEST_F(HostileParameters, NeverReachTheProgram)
{
    const std::string touch = "touch '" + marker + "'";
    const std::string script = folder.Write("mark.sh", "#!/bin/sh\n" + touch + "\n");
    ::chmod(script.c_str(), 0755);
    const std::string curlConfig = folder.Write("curl.cfg", "stderr = \"" + marker + "\"\n");
    // Two of these would make no marker here even if passed on: the
    // worker's own "-F /dev/null" comes later and wins over "-F", and sftp
    // itself sets PermitLocalCommand=no ahead of the user's options. They
    // are refused all the same: either would act as soon as that changes.
    const std::string sshConfig = folder.Write("ssh.cfg", "Host *\n  ProxyCommand sh -c \"" + touch + "\"\n");
    const std::vector<Hostile> hostile = {
        {PROTOCOL_SFTP, "\"-oProxyCommand=sh -c 'touch " + marker + "'\""},
        {PROTOCOL_SFTP, "-o \"proxycommand " + touch + "\""},
        {PROTOCOL_SFTP, "-oPermitLocalCommand=yes \"-oLocalCommand=" + touch + "\""},
        {PROTOCOL_SFTP, "-F " + sshConfig},
        {PROTOCOL_SFTP, "-S " + script},
        {PROTOCOL_FTPS, "-K " + curlConfig},
        {PROTOCOL_FTPS, "-o " + marker},
        {PROTOCOL_FTPS, std::string("--engine ") + QM_MARKER_LIBRARY},
        {PROTOCOL_FTPS, "--stderr " + marker},
    };
    for (const Hostile& h : hostile) {
        SCOPED_TRACE(h.parameters);
        UseWith(h.protocol, h.parameters);
        WriteWebFile("listed.txt", "something to list");
        auto w = LoggedIn();
        std::string listing;
        const std::string top;
        const bool ran = h.protocol == PROTOCOL_SFTP ? w->RunSftpCommand("ls", "", "", &listing)
                                                     : w->RunCurl({}, &top, {}, true, &listing);
        EXPECT_FALSE(ran);
        EXPECT_FALSE(PathExists(marker));
        EXPECT_NE(w->GetTranscript().find("Additional Parameters"), std::string::npos) << w->GetTranscript();
        ::unlink(marker.c_str());
    }
    // The fixture's own parameters are fine: the same listing runs.
    UseProtocol(PROTOCOL_SFTP);
    std::string listing;
    EXPECT_TRUE(LoggedIn()->RunSftpCommand("ls", "", "", &listing));
    EXPECT_NE(listing.find("listed.txt"), std::string::npos);
}

// A setup file may bring a refused parameter: the transfer commands then
// refuse to start, say which parameter and where to change it, and run
// nothing.
TEST_F(HostileParameters, CommandsRefuseToStart)
{
    UseWith(PROTOCOL_SFTP, "\"-oProxyCommand=sh -c 'touch " + marker + "'\"");
    CSetupData& s = app->Setup();
    s.m_strWebsiteScoreFileDirectory = "results";
    s.m_strScoreFileTemplate = "template.htm";
    s.m_strIndexTemplate = "indextemplate.htm";
    s.m_strIndexFile = "index.htm";
    const std::vector<std::pair<const char*, std::function<void()>>> commands = {
        {"Upload a Test File", [&] { app->OnHelpUploadTestFile(); }},
        {"Index Website", [&] { EXPECT_FALSE(app->IndexWebsite()); }},
        {"Post Games", [&] { EXPECT_EQ(app->PostGames(PostMode::PostGames), PostRunResult::Ended); }},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.first);
        prompter.Clear();
        command.second();
        ASSERT_EQ(prompter.Texts().size(), 1u);
        const std::string text = prompter.Texts()[0];
        EXPECT_NE(text.find("\"-oProxyCommand=sh -c 'touch "), std::string::npos) << text;
        EXPECT_NE(text.find("Setup > FTP, Additional Parameters"), std::string::npos) << text;
        EXPECT_FALSE(PathExists(marker));
    }
}
