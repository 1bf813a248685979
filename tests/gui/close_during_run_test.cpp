// Closing the program while it posts, as a director does at the end of a
// long evening: the real program in a process of its own with its own data
// folder, an FTPS server that hangs in the middle of the second game's
// upload, and only the keyboard through the X server, with a window manager.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/quillmark_app.h"
#include "gui/gui_support.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"
#include "posting/sha256.h"
#include "support/child_process.h"
#include "support/servers.h"

namespace {

// The X window of the program's shown window titled title as it is now; 0
// when there is none. (The name is a pattern: each window found is asked
// its whole title.)
unsigned long ShownWindow(pid_t pid, const std::string& title)
{
    const std::string out = CommandOutput("xdotool search --all --onlyvisible --pid " + std::to_string(pid) +
                                          " --name '" + title + "'");
    std::istringstream ids(out);
    unsigned long found = 0;
    for (std::string id; std::getline(ids, id);) {
        if (CommandOutput("xdotool getwindowname " + id) == title + "\n")
            found = std::strtoul(id.c_str(), nullptr, 10);
    }
    return found;
}

// The window titled title once the window manager shows it; 0 when none
// comes within a minute.
unsigned long WaitForWindow(pid_t pid, const std::string& title)
{
    unsigned long found = 0;
    WaitUntil([&] { return (found = ShownWindow(pid, title)) != 0; }, 60000);
    return found;
}

// Keys pressed on a window once the window manager has made it active (a
// dialog is made active by itself; the window behind it is asked for).
void PressOn(unsigned long window, const std::string& keys)
{
    const auto active = [window] {
        return std::strtoul(CommandOutput("xdotool getactivewindow").c_str(), nullptr, 10) == window;
    };
    if (!active()) {
        CommandOutput("xdotool windowactivate " + std::to_string(window));
        EXPECT_TRUE(WaitUntil(active, 30000)) << "window " << window << " did not become active";
    }
    CommandOutput("xdotool key " + keys);
}

// Every file (not folder) below folder.
std::vector<std::string> FilesBelow(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (!entry.is_directory())
            files.push_back(entry.path().string());
    }
    return files;
}

// The Upload History of earlier evenings in the data folder: large beside
// one evening's postings, which therefore go into the posting journal.
void WriteEarlierHistory(int records)
{
    CQuillmarkApp* previous = GetAppPtr();
    {
        CQuillmarkApp app;
        SetAppPtr(&app);
        CScriptedPrompter prompter;
        app.SetPrompter(&prompter);
        for (int i = 0; i < records; ++i) {
            CScoreFile record;
            record.SetDigest(Sha256Of(&i, sizeof i));
            record.SetPosted(StrFormat("results/earlier%d.html", i), 1);
            app.RecordPosted(record);
        }
        EXPECT_TRUE(app.SaveData(true));
    }
    SetAppPtr(previous);
}

// What the program had shown and written, for a failure message.
std::string WhatTheProgramShows(pid_t pid, const std::string& dataFolder)
{
    std::string text = "windows:\n";
    std::istringstream ids(CommandOutput("xdotool search --onlyvisible --pid " + std::to_string(pid)));
    for (std::string id; std::getline(ids, id);)
        text += "  " + CommandOutput("xdotool getwindowname " + id);
    text += "active: " + CommandOutput("xdotool getactivewindow getwindowname");
    const std::string log = ReadWholeFile(JoinPath(dataFolder, "QuillmarkLogfile.txt"));
    return text + "log:\n" + log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
}

}  // namespace

TEST(CloseDuringRunTest, ClosingDuringARunExitsCleanlyWithoutTheTranscript)
{
    CWindowManager wm;
    ASSERT_TRUE(CWindowManager::Running()) << "no window manager in the display";
    // The program's data, profile and temporary folders; the program
    // started below takes them from the environment.
    CProgramFolders folders;
    const std::string demo = folders.folder.File("demo");
    const std::string site = JoinPath(demo, "site");
    const std::string certs = folders.folder.File("certs");
    const std::string held = folders.folder.File("held.txt");
    for (const std::string& dir : {demo, site, certs})
        ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0) << dir;
    ASSERT_TRUE(loopback::MakeSelfSignedCertificate(certs));

    // The second game's page ("...enb.html", the Evening Pairs of section B)
    // never gets an answer from the server.
    const std::string password = "club pass";
    loopback::CFtpServer ftps;
    loopback::CFtpServer::Options options;
    options.holdStore = "enb.";
    options.heldFile = held;
    ASSERT_TRUE(ftps.Start(site, "club", password, certs, folders.folder.File("ftps.log"), options));
    loopback::CHttpServer http;
    ASSERT_TRUE(http.Start(site, folders.folder.File("posts.jsonl"), folders.folder.File("http.log")));
    std::string setup;
    {
        CChildProcess maker(TestProgramPath("qm_make_demo"),
                            {demo, std::to_string(ftps.Port()), std::to_string(http.Port()), password,
                             std::string(QM_SOURCE_DIR) + "/scripts/demo-site", "--ftps", certs + "/cert.pem"});
        ASSERT_TRUE(maker.ReadLine(setup));
        ASSERT_EQ(maker.Wait(), 0);
    }

    WriteEarlierHistory(200);

    CChildProcess program(QM_PROGRAM_PATH, {setup});
    const unsigned long frame = WaitForWindow(program.Pid(), "Demo.qsu - Quillmark");
    ASSERT_NE(frame, 0u) << "the main window did not show";
    PressOn(frame, "F4");
    const unsigned long confirm = WaitForWindow(program.Pid(), "Confirm Posting");
    ASSERT_NE(confirm, 0u) << "Post Games did not ask to confirm";
    PressOn(confirm, "Return");

    // The first game is on the server and in the journal; the second
    // hangs. The user closes.
    ASSERT_TRUE(WaitUntil([&] { return !ReadWholeFile(held).empty(); }, 60000)) << "the run never reached the hang";
    EXPECT_TRUE(FileExists(JoinPath(folders.Data(), "ProgramData.bin.journal")));
    PressOn(frame, "alt+F4");

    // The run stops and the program ends by itself, once: the user asked to
    // close, so the transfer log never comes up to be closed first.
    bool transcript = false;
    WaitUntil(
        [&] {
            if (program.Ended())
                return true;
            transcript = ShownWindow(program.Pid(), "Ftplog - Quillmark") != 0;
            return transcript;
        },
        60000);
    if (!program.Ended())
        TakeScreenshot("close-during-run-not-ended");
    ASSERT_FALSE(transcript) << "the transfer log showed after the close; "
                             << WhatTheProgramShows(program.Pid(), folders.Data());
    ASSERT_TRUE(program.Ended()) << "the program did not end; " << WhatTheProgramShows(program.Pid(), folders.Data());
    const int status = program.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "exit status " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1) << ", signal "
        << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);

    // Nothing a crash would leave; what it saves, saved.
    const std::string data = folders.Data();
    EXPECT_EQ(ReadWholeFile(JoinPath(data, "Interlock.txt")), "");
    EXPECT_FALSE(FileExists(JoinPath(data, "ProgramData.bin.journal")));
    EXPECT_EQ(FilesBelow(folders.folder.File("tmp")), std::vector<std::string>{});
    for (const std::string& file : FilesBelow(data))
        EXPECT_NE(GetFileNameOnly(file)[0], '.') << "a save cut short: " << file;
    CScriptedPrompter reader;
    const std::vector<std::string> history = HistoryWebNamesOnDisk(reader);
    EXPECT_EQ(history.size(), 201u);
    EXPECT_EQ(std::count_if(history.begin(), history.end(),
                            [](const std::string& name) { return name.find("ana.html") != std::string::npos; }),
              1);
    const std::string log = ReadWholeFile(JoinPath(data, "QuillmarkLogfile.txt"));
    EXPECT_NE(log.find("User Canceled"), std::string::npos);
    EXPECT_NE(log.find("Canceled after 1 of 3 score files had been posted."), std::string::npos) << log;
    const std::string profile = ReadWholeFile(folders.Config() + "/Ostervale/Quillmark.conf");
    EXPECT_NE(profile.find("[MainWindow]"), std::string::npos) << profile;
}
