// The delaying proxy stands for a network's round trip: what passes through
// it arrives whole, each exchange at least a round trip later, and an SFTP
// session runs through it.
#include <chrono>

#include "support/delay_proxy.h"
#include "transfer_fixture.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

TEST(DelayProxy, EachExchangeTakesARoundTripAndArrivesWhole)
{
    CTempFolder folder;
    LoopbackSite& site = LoopbackSite::Get();
    const std::string page = site.www + "/delay-proxy-page.htm";
    ASSERT_TRUE(WriteRandomFile(page, 300000, 7));
    loopback::CDelayProxy proxy;
    ASSERT_TRUE(proxy.Start(site.Http().Port(), 100, folder.File("proxy.log")));

    const std::string fetched = folder.File("fetched");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(loopback::RunProgram({"curl", "-sS", "--max-time", "20", "-o", fetched,
                                    "http://127.0.0.1:" + std::to_string(proxy.Port()) + "/delay-proxy-page.htm"}),
              0);
    const double took = Seconds(start);
    EXPECT_EQ(ReadWholeFile(fetched), ReadWholeFile(page));
    EXPECT_GE(took, 0.2);  // the request there, the reply back
    EXPECT_LT(took, 5.0);

    // An SFTP session (a dozen round trips and more) gets through.
    const SshHost host = site.SftpHost(SshKind::Current);
    loopback::CDelayProxy sshProxy;
    ASSERT_TRUE(sshProxy.Start(host.port, 10, folder.File("ssh-proxy.log")));
    const std::string batch = folder.Write("batch", "put \"" + page + "\" \"" + site.www + "/delay-proxy-put.htm\"\n");
    const auto sftpStart = std::chrono::steady_clock::now();
    EXPECT_EQ(loopback::RunProgram({"sftp", "-F", "/dev/null", "-oBatchMode=yes", "-oStrictHostKeyChecking=no",
                                    "-oUserKnownHostsFile=/dev/null", "-i", host.keyDir + "/userkey", "-P",
                                    std::to_string(sshProxy.Port()), "-b", batch, host.user + "@127.0.0.1"},
                                   folder.File("sftp.out")),
              0)
        << ReadWholeFile(folder.File("sftp.out"));
    EXPECT_GE(Seconds(sftpStart), 0.2);
    EXPECT_EQ(ReadWholeFile(site.www + "/delay-proxy-put.htm"), ReadWholeFile(page));
}
