// The FTP servers of clubs' hosts run here behave like those hosts: checked
// with the real curl, not with the program, so that a test of the program
// against one of them fails for the program's fault.
#include <sys/stat.h>
#include <unistd.h>

#include "transfer_fixture.h"

namespace {

class FtpHosts : public TransferTest {
protected:
    // curl's exit code; what it fetched in out, the run's messages in err.
    int Curl(FtpKind kind, bool tls, const std::string& path, std::vector<std::string> options)
    {
        LoopbackSite& site = LoopbackSite::Get();
        const std::string outFile = folder.File("curl.out"), errFile = folder.File("curl.err");
        ::unlink(outFile.c_str());
        ::unlink(errFile.c_str());
        std::vector<std::string> argv{"curl", "-sS", "--max-time", "20", "-u", kUser + ":" + kPassword,
                                      "-o", outFile};
        if (tls)
            argv.insert(argv.end(), {"--ssl-reqd", "--cacert", site.certDir + "/cert.pem"});
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back("ftp://127.0.0.1:" + std::to_string(site.HostFtpPort(kind)) + path);
        const int rc = loopback::RunProgram(argv, errFile);
        out = ReadWholeFile(outFile);
        err = ReadWholeFile(errFile);
        return rc;
    }
    // The server's log from here on.
    std::string LogSince(FtpKind kind, size_t from) const
    {
        return ReadWholeFile(LoopbackSite::Get().HostFtpLog(kind)).substr(from);
    }
    size_t LogSize(FtpKind kind)
    {
        LoopbackSite::Get().HostFtpPort(kind);
        return ReadWholeFile(LoopbackSite::Get().HostFtpLog(kind)).size();
    }
    // The URL path of a file below the test folder (blanks as %20).
    std::string Remote(const std::string& relative) const
    {
        std::string path = "/www/" + TestFolderName() + "/";
        for (char c : relative)
            path += c == ' ' ? std::string("%20") : std::string(1, c);
        return path;
    }

    std::string out, err;
};

struct stat Stat(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

}  // namespace

// Chrooted to the site, logged in as the host account (not root: a file
// only readable refuses a store over it), umask 133:022, dot files hidden,
// and a LIST whose path holds a blank read as two items.
TEST_F(FtpHosts, PureFtpdListsAPathWithBlanksAsSeveralItems)
{
    loopback::HostAccount account;
    ASSERT_TRUE(loopback::LookUpHostAccount(account));
    MakeWebFolder("Club Results");
    WriteWebFile("Club Results/a.htm", "a");
    WriteWebFile("Club Results/.hidden", "h");
    WriteWebFile("readonly.htm", "old");
    ASSERT_EQ(::chmod(WebPath("readonly.htm").c_str(), 0444), 0);
    const size_t from = LogSize(FtpKind::PureFtpd);

    ASSERT_EQ(Curl(FtpKind::PureFtpd, false, Remote("Club Results/"), {}), 0) << err;
    EXPECT_NE(out.find(" a.htm"), std::string::npos) << out;
    EXPECT_EQ(out.find(".hidden"), std::string::npos) << out;
    ASSERT_EQ(Curl(FtpKind::PureFtpd, false, Remote("Club Results/"), {"--ftp-method", "nocwd"}), 0) << err;
    EXPECT_EQ(out, "");
    EXPECT_NE(LogSince(FtpKind::PureFtpd, from).find("226 0 matches total"), std::string::npos);

    const std::string local = folder.Write("new.htm", "new");
    ASSERT_EQ(Curl(FtpKind::PureFtpd, false, Remote("made/new.htm"), {"--ftp-create-dirs", "-T", local}), 0) << err;
    const struct stat file = Stat(WebPath("made/new.htm")), made = Stat(WebPath("made"));
    EXPECT_EQ(file.st_uid, account.uid);
    EXPECT_EQ(file.st_mode & 07777, 0644u);
    EXPECT_EQ(made.st_mode & 07777, 0755u);
    EXPECT_NE(Curl(FtpKind::PureFtpd, false, Remote("readonly.htm"), {"-T", local}), 0);
    EXPECT_EQ(ReadWholeFile(WebPath("readonly.htm")), "old");
    const std::string log = LogSince(FtpKind::PureFtpd, from);
    EXPECT_NE(log.find("257 \"/\" is your current location"), std::string::npos) << log;  // chrooted
    EXPECT_NE(log.find("553 "), std::string::npos) << log;
}

// Plain FTP is turned away at USER with a 421 that names TLS (curl: a
// time-out); FTPS gets in.
TEST_F(FtpHosts, PureFtpdTlsOnlyAnswersPlainUserWith421)
{
    const size_t from = LogSize(FtpKind::PureFtpdTls);
    EXPECT_EQ(Curl(FtpKind::PureFtpdTls, false, "/www/", {}), 28) << err;
    const std::string log = LogSince(FtpKind::PureFtpdTls, from);
    EXPECT_NE(log.find("421-Sorry, cleartext sessions and weak ciphers are not accepted on this server."),
              std::string::npos) << log;
    EXPECT_NE(log.find("421 Please reconnect using TLS security mechanisms."), std::string::npos) << log;
    EXPECT_EQ(Curl(FtpKind::PureFtpdTls, true, "/www/", {}), 0) << err;
    EXPECT_NE(out.find(" " + TestFolderName() + "\n"), std::string::npos) << out;
}

// A listing stops at the limit and says so in its last reply; curl takes
// it as whole (exit 0), over FTP and FTPS alike.
TEST_F(FtpHosts, PureFtpdCutsALongListingShort)
{
    MakeWebFolder("many");
    for (int i = 0; i < kShortListingLimit + 5; ++i)
        WriteWebFile("many/" + std::to_string(1000 + i) + ".htm", "x");
    for (bool tls : {false, true}) {
        const size_t from = LogSize(FtpKind::PureFtpdShortListings);
        ASSERT_EQ(Curl(FtpKind::PureFtpdShortListings, tls, Remote("many/"), {}), 0) << err;
        EXPECT_EQ(Count(out, ".htm\n"), static_cast<size_t>(kShortListingLimit)) << out;
        EXPECT_NE(LogSince(FtpKind::PureFtpdShortListings, from)
                      .find("226 Output truncated to " + std::to_string(kShortListingLimit) + " matches"),
                  std::string::npos)
            << "tls " << tls;
    }
}

namespace {

struct ProFtpdCase {
    FtpKind kind;
    bool tls;
    bool chrooted;
};

const ProFtpdCase kProFtpdCases[] = {
    {FtpKind::ProFtpd, false, false},
    {FtpKind::ProFtpdTls, true, false},
    {FtpKind::ProFtpdChroot, false, true},
};

void PrintTo(const ProFtpdCase& c, std::ostream* os)
{
    *os << FtpKindName(c.kind);
}

class ProFtpdHosts : public FtpHosts, public ::testing::WithParamInterface<ProFtpdCase> {};

}  // namespace

// Logged in as the host account, chrooted or not; a LIST of a path with
// blanks is right; a store over a file is refused in the no-overwrite
// folder only; every command and reply is logged, the password not.
// Plain FTP to the TLS-only kind: "550 SSL/TLS required".
TEST_P(ProFtpdHosts, BehaveAsDebiansProftpd)
{
    const ProFtpdCase& c = GetParam();
    loopback::HostAccount account;
    ASSERT_TRUE(loopback::LookUpHostAccount(account));
    MakeWebFolder("Club Results");
    WriteWebFile("Club Results/a.htm", "a");
    MakeWebFolder(kNoOverwriteFolder);
    WriteWebFile(std::string(kNoOverwriteFolder) + "/kept.htm", "old");
    WriteWebFile("over.htm", "old");
    const size_t from = LogSize(c.kind);

    ASSERT_EQ(Curl(c.kind, c.tls, Remote("Club Results/"), {"--ftp-method", "nocwd"}), 0) << err;
    EXPECT_NE(out.find(" a.htm"), std::string::npos) << out;
    const std::string local = folder.Write("new.htm", "new");
    EXPECT_EQ(Curl(c.kind, c.tls, Remote("over.htm"), {"-T", local}), 0) << err;
    EXPECT_EQ(ReadWholeFile(WebPath("over.htm")), "new");
    EXPECT_EQ(Stat(WebPath("over.htm")).st_uid, account.uid);
    const std::string kept = std::string(kNoOverwriteFolder) + "/kept.htm";
    EXPECT_NE(Curl(c.kind, c.tls, Remote(kept), {"-T", local}), 0);
    EXPECT_EQ(ReadWholeFile(WebPath(kept)), "old");
    const std::string added = std::string(kNoOverwriteFolder) + "/added.htm";
    EXPECT_EQ(Curl(c.kind, c.tls, Remote(added), {"-T", local}), 0) << err;
    EXPECT_EQ(ReadWholeFile(WebPath(added)), "new");
    EXPECT_EQ(Stat(WebPath(added)).st_mode & 07777, 0644u);

    const std::string log = LogSince(c.kind, from);
    EXPECT_NE(log.find("STOR kept.htm -> 550 "), std::string::npos) << log;  // curl changes into the folder
    EXPECT_NE(log.find(c.chrooted ? "PWD  -> 257 \"/\"" : "PWD  -> 257 \"" + LoopbackSite::Get().site + "\""),
              std::string::npos) << log;
    EXPECT_FALSE(HoldsPassword(log)) << log;
    if (c.tls) {
        const size_t plainFrom = LogSize(c.kind);
        EXPECT_NE(Curl(c.kind, false, "/", {}), 0);
        EXPECT_NE(LogSince(c.kind, plainFrom).find("USER club -> 550 SSL/TLS required on the control channel"),
                  std::string::npos) << LogSince(c.kind, plainFrom);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ProFtpdHosts, ::testing::ValuesIn(kProFtpdCases),
                         [](const ::testing::TestParamInfo<ProFtpdCase>& info) { return FtpKindName(info.param.kind); });
