// FTP and FTPS against the servers clubs' web hosts run, set up as hosts
// set them up, beside the pyftpdlib servers: folders with blanks walked
// right, a listing the server cut short never taken as whole, a repost over
// what the server will not store over, and a server that demands TLS told
// as such.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "platform/text_helpers.h"
#include "posting/ftp_web_transport.h"
#include "posting/score_file.h"
#include "transfer/qm_file_find.h"
#include "transfer_fixture.h"

namespace {

struct HostCase {
    const char* name;
    bool pyftpdlib;  // the pyftpdlib servers of LoopbackSite, else a host's server
    FtpKind kind;
    int protocol;
    // How the server refuses to store where a folder stands.
    const char* refusal = "";
};

const HostCase kPyftpdlib{"Pyftpdlib", true, FtpKind::PureFtpd, PROTOCOL_FTP};
const HostCase kPyftpdlibFtps{"PyftpdlibFtps", true, FtpKind::PureFtpd, PROTOCOL_FTPS};
const char kPureRefusal[] = "553 Can't open that file: Is a directory";
const HostCase kPureFtpd{"PureFtpd", false, FtpKind::PureFtpd, PROTOCOL_FTP, kPureRefusal};
const HostCase kPureFtpdTls{"PureFtpdTls", false, FtpKind::PureFtpdTls, PROTOCOL_FTPS, kPureRefusal};
const char kProRefusal[] = "550 ";
const HostCase kProFtpd{"ProFtpd", false, FtpKind::ProFtpd, PROTOCOL_FTP, kProRefusal};
const HostCase kProFtpdTls{"ProFtpdTls", false, FtpKind::ProFtpdTls, PROTOCOL_FTPS, kProRefusal};
const HostCase kProFtpdChroot{"ProFtpdChroot", false, FtpKind::ProFtpdChroot, PROTOCOL_FTP, kProRefusal};
const HostCase kPureFtpdShortFtp{"PureFtpdShortListingsFtp", false, FtpKind::PureFtpdShortListings, PROTOCOL_FTP};
const HostCase kPureFtpdShortFtps{"PureFtpdShortListingsFtps", false, FtpKind::PureFtpdShortListings,
                                  PROTOCOL_FTPS, kPureRefusal};

std::string CaseName(const ::testing::TestParamInfo<HostCase>& info)
{
    return info.param.name;
}

class ClubHostBase : public TransferTest {
protected:
    // Every box and status text so far, for a failure message.
    std::string Told() const
    {
        std::string t;
        for (const auto& s : prompter.Texts())
            t += "box: " + s + "\n";
        for (const auto& s : frame.Texts())
            t += s.second + "\n";
        return t;
    }
    std::string Boxes() const
    {
        std::string t;
        for (const auto& s : prompter.Texts())
            t += s + "\n";
        return t;
    }

    // Every entry a walk from the test folder reports: folder/name.
    bool Walk(std::set<std::string>& seen)
    {
        auto w = LoggedIn();
        return w->EnumerateFiles([&seen](CFTPWorker&, CQmFileFind& f, const std::string& dir) {
            seen.insert(ReplaceAll(dir, "\\", "/") + "|" + f.GetFileName());
            return true;
        });
    }
};

class ClubHostFtp : public ClubHostBase, public ::testing::WithParamInterface<HostCase> {
protected:
    void SetUp() override
    {
        ClubHostBase::SetUp();
        const HostCase& c = GetParam();
        if (c.pyftpdlib)
            UseProtocol(c.protocol);
        else
            UseFtpServer(c.kind, c.protocol);
    }
};

}  // namespace

// Blanks inside, several blanks, a leading blank, non-ASCII letters, and a
// sibling whose name ends the blank-holding one ("2024" beside "Summer
// 2024"): each folder holds exactly its own entries on every server.
TEST_P(ClubHostFtp, FoldersWithBlanksAreWalkedRight)
{
    const std::vector<std::string> folders = {"Club Results", "Summer 2024", "2024", " lead", "two  blanks",
                                              "Saison 2024 été"};
    std::set<std::string> expected;
    int n = 0;
    for (const std::string& f : folders) {
        MakeWebFolder(f);
        const std::string file = "p" + std::to_string(++n) + ".htm";
        WriteWebFile(f + "/" + file, "x");
        expected.insert("|" + f);
        expected.insert(f + "|" + file);
    }
    MakeWebFolder("Club Results/05");
    WriteWebFile("Club Results/05/deep page.htm", "x");
    expected.insert("Club Results|05");
    expected.insert("Club Results/05|deep page.htm");

    std::set<std::string> seen;
    ASSERT_TRUE(Walk(seen)) << Told();
    EXPECT_EQ(seen, expected) << Told();
}

INSTANTIATE_TEST_SUITE_P(Hosts, ClubHostFtp,
                         ::testing::Values(kPyftpdlib, kPyftpdlibFtps, kPureFtpd, kPureFtpdTls, kPureFtpdShortFtp,
                                           kPureFtpdShortFtps, kProFtpd, kProFtpdTls, kProFtpdChroot),
                         CaseName);

namespace {

class ClubHostShortListing : public ClubHostFtp {};

}  // namespace

// A folder of more entries than the server lists: the walk fails and says
// why and what to do, and Index Website keeps the entries it had.
TEST_P(ClubHostShortListing, CutShortListingFailsTheWalkAndIndexWebsiteChangesNothing)
{
    MakeWebFolder("many");
    for (int i = 0; i < kShortListingLimit + 5; ++i)
        WriteWebFile("many/" + std::to_string(20240100 + i) + "eb.htm", "x");
    std::set<std::string> seen;
    EXPECT_FALSE(Walk(seen));
    const std::string box = prompter.LastText();
    EXPECT_NE(box.find("The folder \"www/" + TestFolderName() + "/many\""), std::string::npos) << box;
    EXPECT_NE(box.find("lists at most " + std::to_string(kShortListingLimit) + " entries of a folder"),
              std::string::npos)
        << box;
    EXPECT_NE(box.find("Output truncated to " + std::to_string(kShortListingLimit) + " matches"), std::string::npos)
        << box;
    EXPECT_NE(box.find("\"Upload to subdirectories (recommended)\""), std::string::npos) << box;

    // Index Website over the same folder: nothing replaced.
    app->SetWebTransportFactory([this](CFTPSettings&) { return std::make_unique<CFtpWebTransport>(MakeWorker()); });
    CSetupData& setup = app->Setup();
    setup.m_strWebsiteScoreFileDirectory = TestFolderName();
    setup.m_strScoreFileTemplate = "results_template.html";
    CColScoreFile& entries = app->GetIndexEntries();
    CScoreFile kept;
    kept.SetPath("kept.htm");
    kept.SetPosted("kept.htm", 0);
    entries.Add(kept);
    prompter.Clear();
    EXPECT_FALSE(app->IndexWebsite());
    ASSERT_EQ(entries.GetCount(), 1);
    EXPECT_EQ(entries[0].GetPath(), "kept.htm");
    EXPECT_NE(Boxes().find("lists at most"), std::string::npos) << Told();
}

INSTANTIATE_TEST_SUITE_P(Hosts, ClubHostShortListing, ::testing::Values(kPureFtpdShortFtp, kPureFtpdShortFtps),
                         CaseName);

namespace {

class ClubHostRepost : public ClubHostFtp {};

}  // namespace

// A repost where the server will not store over what stands under the
// name, or would write through it: a read-only page, a page in a folder
// where overwriting is off (ProFTPD), a link out of the site and a relative
// link are removed and the page stored anew (the links' targets keep their
// bytes and modes); a folder under the name fails with the server's own
// reply and stays.
TEST_P(ClubHostRepost, RepostOverAReadOnlyPageAndALinkSucceedsAndAFolderFailsPlainly)
{
    loopback::HostAccount account;
    ASSERT_TRUE(loopback::LookUpHostAccount(account));
    const bool proftpd = IsProFtpdKind(GetParam().kind);
    // The pages of a month, as posting puts them, in a folder of its own;
    // on ProFTPD one where a store over a file is refused.
    const std::string month = proftpd ? std::string(kNoOverwriteFolder) : "2024";
    MakeWebFolder(month);
    std::vector<std::string> replaced{"readonly.htm", "link.htm"};
    WriteWebFile(month + "/readonly.htm", "old page");
    ASSERT_EQ(::chmod(WebPath(month + "/readonly.htm").c_str(), 0444), 0);
    if (proftpd) {
        WriteWebFile(month + "/page.htm", "old page");
        replaced.push_back("page.htm");
    }
    // A target the server could write (the host account's, writable by
    // all), outside the site.
    const std::string target = folder.Write("outside.htm", "not Quillmark's");
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chown(target.c_str(), account.uid, account.gid), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
    ASSERT_EQ(::symlink(target.c_str(), WebPath(month + "/link.htm").c_str()), 0);
    ASSERT_EQ(::lchown(WebPath(month + "/link.htm").c_str(), account.uid, account.gid), 0);
    // A relative link to a page beside it: a server that follows it
    // (ProFTPD, chrooted or not) would write the other page.
    WriteWebFile(month + "/other.htm", "another page");
    ASSERT_EQ(::chmod(WebPath(month + "/other.htm").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("other.htm", WebPath(month + "/relative.htm").c_str()), 0);
    ASSERT_EQ(::lchown(WebPath(month + "/relative.htm").c_str(), account.uid, account.gid), 0);
    replaced.push_back("relative.htm");
    MakeWebFolder(month + "/folder.htm");
    WriteWebFile(month + "/folder.htm/inner.htm", "inner");

    const std::string page = folder.Write("new.htm", "the new page");
    auto w = LoggedIn();
    for (const std::string& name : replaced) {
        EXPECT_TRUE(w->UploadFile(page, month + "\\" + name)) << name << "\n" << Told() << w->GetTranscript();
        EXPECT_EQ(ReadWholeFile(WebPath(month + "/" + name)), "the new page") << name;
        struct stat st {};
        ASSERT_EQ(::lstat(WebPath(month + "/" + name).c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << name << " is a file of its own now";
    }
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(ReadWholeFile(target), "not Quillmark's");
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    ASSERT_EQ(::stat(WebPath(month + "/other.htm").c_str(), &st), 0);
    EXPECT_EQ(ReadWholeFile(WebPath(month + "/other.htm")), "another page");
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(prompter.Texts().size(), 0u) << Told();

    EXPECT_FALSE(w->UploadFile(page, month + "\\folder.htm"));
    const std::string box = Boxes();
    EXPECT_NE(box.find(GetParam().refusal), std::string::npos) << Told() << w->GetTranscript();
    EXPECT_NE(box.find("folder.htm"), std::string::npos) << box;
    EXPECT_EQ(box.find("PASV"), std::string::npos) << box;
    EXPECT_EQ(ReadWholeFile(WebPath(month + "/folder.htm/inner.htm")), "inner");
    EXPECT_EQ(w->GetLoginFailure(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Hosts, ClubHostRepost,
                         ::testing::Values(kPureFtpd, kPureFtpdTls, kPureFtpdShortFtps, kProFtpd, kProFtpdTls,
                                           kProFtpdChroot),
                         CaseName);

namespace {

// Answers every connection with reply (a greeting) and closes it.
class GreetingServer {
public:
    explicit GreetingServer(std::string reply) : m_reply(std::move(reply))
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_fd, 8) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] {
            while (!m_stop) {
                const int c = ::accept(m_fd, nullptr, nullptr);
                if (c < 0)
                    return;
                if (::write(c, m_reply.data(), m_reply.size()) < 0) {
                }
                ::shutdown(c, SHUT_WR);
                char buf[256];
                while (::read(c, buf, sizeof buf) > 0) {
                }
                ::close(c);
            }
        });
    }
    ~GreetingServer()
    {
        m_stop = true;
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        if (m_thread.joinable())
            m_thread.join();
    }
    int Port() const { return m_port; }

private:
    std::string m_reply;
    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class ClubHostTlsOnly : public ClubHostBase {};

}  // namespace

// Plain FTP to a server that takes no login without TLS: one box quoting
// the server and naming FTPS, the login failure recorded (a posting run
// stops on it); any other 421 before the login is quoted too, never told
// as a server that could not be reached.
TEST_F(ClubHostTlsOnly, PlainFtpToATlsOnlyServerIsToldToChooseFtps)
{
    const std::pair<FtpKind, const char*> tlsOnly[] = {
        {FtpKind::PureFtpdTls, "421-Sorry, cleartext sessions and weak ciphers are not accepted on this server. 421 "
                               "Please reconnect using TLS security mechanisms."},
        {FtpKind::ProFtpdTls, "550 SSL/TLS required on the control channel"},
    };
    for (const auto& [kind, quoted] : tlsOnly) {
        UseFtpServer(kind, PROTOCOL_FTP);
        prompter.Clear();
        auto w = MakeWorker();
        EXPECT_FALSE(w->Login());
        EXPECT_FALSE(w->Login());
        ASSERT_NE(w->GetLoginFailure(), nullptr);
        EXPECT_EQ(w->GetLoginFailure()->kind, LoginFailureKind::TlsRequired) << quoted;
        ASSERT_EQ(prompter.Texts().size(), 1u) << Told();
        const std::string box = prompter.LastText();
        EXPECT_NE(box.find(std::string("The server answered: ") + quoted), std::string::npos) << box;
        EXPECT_NE(box.find("Choose \"FTPS (FTP over TLS)\" as Protocol"), std::string::npos) << box;
        EXPECT_EQ(box.find("could not connect"), std::string::npos) << box;
        EXPECT_EQ(box.find("Timeout"), std::string::npos) << box;
        EXPECT_EQ(frame.GetLastStatus(), "FTP: The server requires TLS (choose FTPS): host=127.0.0.1");
    }

    struct Case {
        const char* greeting;
        LoginFailureKind kind;
        const char* quoted;
    };
    const Case cases[] = {
        {"421 Too many connections (8) from this IP\r\n", LoginFailureKind::TurnedAway,
         "The server answered: 421 Too many connections (8) from this IP"},
        {"421-Service not available,\r\n421 closing control connection.\r\n", LoginFailureKind::TurnedAway,
         "The server answered: 421-Service not available, 421 closing control connection."},
        {"220 ready\r\n", LoginFailureKind::Refused, ""},
    };
    for (const Case& c : cases) {
        GreetingServer server(c.greeting);
        ASSERT_NE(server.Port(), 0);
        Ftp().m_strPort[PROTOCOL_FTP] = std::to_string(server.Port());
        prompter.Clear();
        auto turned = MakeWorker();
        EXPECT_FALSE(turned->Login()) << c.greeting;
        ASSERT_NE(turned->GetLoginFailure(), nullptr) << c.greeting;
        if (c.kind == LoginFailureKind::TurnedAway) {
            EXPECT_EQ(turned->GetLoginFailure()->kind, c.kind) << c.greeting;
            const std::string text = prompter.LastText();
            EXPECT_NE(text.find(c.quoted), std::string::npos) << text;
            EXPECT_EQ(text.find("Check that the server is up"), std::string::npos) << text;
        } else {
            EXPECT_NE(turned->GetLoginFailure()->kind, LoginFailureKind::TurnedAway) << "a 220 is no 421";
        }
        if (c.kind != LoginFailureKind::TurnedAway)
            continue;
        // The same through curl (FTPS), which takes a 421 for a time-out too.
        Ftp().m_nProtocol = PROTOCOL_FTPS;
        Ftp().m_strPort[PROTOCOL_FTPS] = std::to_string(server.Port());
        prompter.Clear();
        auto viaCurl = MakeWorker();
        ASSERT_TRUE(viaCurl->Login());
        EXPECT_FALSE(viaCurl->UploadFile(folder.Write("page.htm", "page"), "page.htm"));
        ASSERT_NE(viaCurl->GetLoginFailure(), nullptr) << Told() << viaCurl->GetTranscript();
        EXPECT_EQ(viaCurl->GetLoginFailure()->kind, LoginFailureKind::TurnedAway);
        ASSERT_EQ(prompter.Texts().size(), 1u) << Told();
        EXPECT_NE(prompter.LastText().find(c.quoted), std::string::npos) << prompter.LastText();
        Ftp().m_nProtocol = PROTOCOL_FTP;
    }
}
