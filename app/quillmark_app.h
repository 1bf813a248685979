// The application object: the core of Quillmark without any window. The
// window application (ui/) owns one and hands it the prompter, the main
// frame's status sink and the profile; tests do the same with scripted
// stand-ins.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/phase_times.h"
#include "app/post_result.h"
#include "app/clock.h"
#include "app/command_ui.h"
#include "app/data_protector.h"
#include "app/interlock.h"
#include "app/logfile.h"
#include "platform/path_helpers.h"
#include "app/profile.h"
#include "app/prompter.h"
#include "app/setup_data.h"
#include "app/status_sink.h"
#include "platform/secret.h"
#include "posting/index_data.h"
#include "posting/score_file_collection.h"
#include "posting/web_transport.h"
#include "transfer/transfer_host.h"

class CMirrorFile;

// The modes of a posting run.
enum class PostMode {
    PostGames,   // new score files not in the Upload History, listed marked
    PostChosen,  // files chosen in the file dialog ("&Post...")
    Repost,      // every new score file, listed unmarked
};

class CArchive;
enum class IndexResult;  // posting/index_pages.h
class CQuillmarkDoc;
class CTemplateFile;

class CQuillmarkApp : public ITransferHost {
public:
    CQuillmarkApp();
    virtual ~CQuillmarkApp();
    CQuillmarkApp(const CQuillmarkApp&) = delete;
    CQuillmarkApp& operator=(const CQuillmarkApp&) = delete;

    // ---- services -----------------------------------------------------
    void SetPrompter(IPrompter* prompter) { m_pPrompter = prompter; }
    void SetMainFrame(IStatusSink* frame) { m_pMainFrame = frame; }
    void SetProfile(IProfile* profile) { m_pProfile = profile; }
    void SetClock(IClock* clock) { m_pClock = clock; }
    // The data protector of the stored FTP password (default: libsodium
    // under the machine key in the program data folder).
    void SetDataProtector(IDataProtector* protector) { m_pProtector = protector; }
    IDataProtector& DataProtector();
    // The prompter; on a worker thread that installed a CDeferredPrompter,
    // that one (its boxes are shown later by the UI thread).
    IPrompter& Prompter();
    IStatusSink* MainFrame() const { return m_pMainFrame; }
    IProfile& Profile();
    int64_t Now() const;
    bool IsUiThread() const { return std::this_thread::get_id() == m_uiThread; }
    // The thread that owns the windows (the constructing thread by default).
    void SetUiThread(std::thread::id id) { m_uiThread = id; }

    // ---- start-up and shut-down ------------------------------------------
    // The window application calls these in this order around its own steps:
    // AcquireSingleInstanceLock, CreateLog, LoadProfileSettings, LoadAppData,
    // (the setup document, the main window), TestDataProtection,
    // OfferLegacyImport; ExitInstance at the end.
    //
    // Takes "Interlock.txt" in the program data folder. false after the
    // message "Another instance of Quillmark is already running" or a report
    // of why the file could not be opened.
    bool AcquireSingleInstanceLock();
    // Tries the data protector once; sets whether protection is usable (and
    // the password-protected flag of a setup that holds no password yet).
    void TestDataProtection();
    bool IsDataProtectionUsable() const { return m_bDataProtectionUsable; }
    // Offers to import a legacy "Setup.bin" when one exists; on Yes loads it
    // into the setup and, when that load succeeded, saves.
    void OfferLegacyImport();
    // Reads the "Settings" values of the profile ("ShowProgressBar").
    void LoadProfileSettings();
    // Deletes the temporary paths, trims the log and empties the interlock
    // file (which stays locked until the process ends).
    void ExitInstance();

    // ---- layout program (app/vantorel_check.cpp) ---------------------------
    // Start-up check, after the main window is shown and before
    // TestDataProtection: creates "Vantorel.Object" and reads its version.
    // false (the user has been told) when the object cannot be created, its
    // version cannot be read, or it is older than 5.53.1.
    bool CheckVantorel();

    // ---- status, busy and cancel channel ---------------------------------
    // SetStatusTextFormat (pane 2) comes with the transfer host.
    int SetStatusText(const std::string& text, int pane = 2) override;
    int SetStatusTextPane3(const std::string& text);
    int UploadProgress(bool show, int total, int done) override;
    void NavigateView(const std::string& address, int flags = 0);
    void SetBusy(bool enter) override;
    CancelState GetCancelState(bool pump) override;
    bool IsNotCanceled(bool pump);
    int PumpMessages() override;
    // Waits up to ms milliseconds or until input arrives; dispatches nothing.
    void WaitWithMessages(int ms);
    // Waits for a worker thread while pumping; after a cancel keeps pumping
    // until the thread has ended. Joins it and returns its exit code.
    int WaitForThread(std::thread& thread, const std::atomic<bool>& finished,
                      const std::atomic<int>& exitCode) override;
    void OnFileCancel();
    bool OnUpdateFileCancel() const { return m_nCancelState == CS_RUNNING; }
    bool IsIdle() const { return m_nCancelState == CS_IDLE; }

    // CBusyGuard (a busy level for its lifetime) comes with the transfer
    // host.

    // ---- log -------------------------------------------------------------
    CLogfile* GetLog() const { return m_pLog.get(); }
    // Creates the log in the given file.
    void CreateLog(const std::string& path);
    // Creates the log "QuillmarkLogfile.txt" in the program data folder
    // (creating the folder); its path stays empty when there is none.
    void CreateLog();
    // Trims the log to the profile's "Settings"/"MaxLogSize" KiB (default
    // 2048; 0 counts as 1).
    void TrimLog();
    // Logs "<label> [old]->[new]" when a setup flag changes, then sets or
    // clears it and counts the change.
    void LogSetupFlagChange(const std::string& label, uint32_t flag, bool newState);
    int m_nSetupChangeCount = 0;

    // ---- questions and messages --------------------------------------------
    // The question text as a "Message Box" block, then "Press=[...]".
    void LogMessageBoxPress(const std::string& text, int result);
    // A message box whose text and answer are logged.
    int MessageBoxLogged(const std::string& text, unsigned style);
    // An error box whose text is logged with the last status first.
    void ShowErrorMessage(const std::string& text);
    // A posting question with the Yes-to-All memory (m_bAsk). The question
    // gets the closing lines "Post this file anyway?" and the button hints.
    PostAnswer AskPostQuestion(const std::string& question);

    // ---- folders and temporary files -------------------------------------
    // The program data folder: $QUILLMARK_DATA_DIR, else
    // $XDG_DATA_HOME/Ostervale/Quillmark (default ~/.local/share/...).
    bool GetAppDataFolder(std::string& path, bool create);
    // The program data folder + "ProgramData.bin".
    bool GetAppDataPath(std::string& path, bool create);
    // The legacy "Setup.bin" (in the program data folder); empty when there
    // is no data folder (reported when create is set).
    std::string GetDataPath(bool create);
    // The staging folder of the local index pages: the data folder +
    // "Staging<n>" as the setup names it; a new name is chosen (1..255) and
    // saved when the setup has none. Reports and throws CUserException.
    std::string GetStagingFolder();
    // A new empty file "<folder>/<prefix>XXXXXX<ext>" (six random letters
    // and digits) with mode 0600, created exclusively and remembered for
    // deletion at exit; fit for files that hold secrets (curl's netrc).
    // folder empty: the temporary folder ($TMPDIR or /tmp). With fd, the
    // descriptor that made the file is handed back open for writing (the
    // caller closes it), so the file is never opened by name again.
    bool GetTempFile(const std::string& folder, const std::string& prefix,
                     const std::string& extension, std::string& path, int* fd = nullptr) override;
    // A new empty folder in the temporary folder, remembered; reports and
    // throws CUserException on failure.
    std::string GetTempDirectory(const std::string& prefix);
    // Remembers a path for deletion at exit (thread-safe).
    void AddTempPath(const std::string& path);
    std::vector<std::string> GetTempPaths() const;
    // Deletes every remembered file and folder.
    void DeleteTempPaths();
    static std::string GetTempFolder();

    // ---- setup -----------------------------------------------------------
    CSetupData& Setup() { return m_Setup; }
    const CSetupData& Setup() const { return m_Setup; }
    void SetDefaults();
    // The reset of one record (the fields a reset keeps are left alone).
    void SetDefaults(CSetupData& setup) const;
    bool IsBridgeWebs() const { return (m_Setup.GetFlags() & SF_BRIDGEWEBS) != 0; }
    bool IsAutoFillHandRecord() const { return (m_Setup.GetFlags() & SF_AUTO_FILL_HAND_RECORD) != 0; }
    bool IsAlertHandRecordNotFilled() const { return (m_Setup.GetFlags() & SF_ALERT_HAND_RECORD_NOT_FILLED) != 0; }
    bool IsLinkPdfHandRecords() const { return (m_Setup.GetFlags() & SF_LINK_PDF_HAND_RECORDS) != 0; }
    bool IsProgressBarShown() const override { return m_bShowProgressBar; }
    // Clears bit 0x2, sets it again when set; with save, saves setup and
    // program data and returns that result, else returns the flag word.
    uint32_t SetAlertNoBws(bool set, bool save);
    const std::string& GetScoreFileDirectory() const { return m_Setup.m_strScoreFileDirectory; }
    CSearchPath& GetHandRecordSearchPath() { return m_Setup.m_HandRecordFolders; }
    int64_t GetLowestDate() const { return m_tLowestDate; }

    // ---- Setup command (app/setup_command.cpp) ------------------------------
    // Shows the Setup sheet on the setup record; after OK stores, logs and
    // counts every changed item and, when anything changed, saves.
    void OnSetupSetup();
    // The setup record as the Setup sheet's pages show it.
    void FillSetupValues(SetupSheetValues& values) const;
    // Whether an FTP Server names the BridgeWebs results service.
    static bool IsBridgeWebsHost(const std::string& server);
    // The OpenSSH sftp program on PATH; empty when it is not installed.
    static std::string GetSftpExePath();
    // The wireless-database dialog closed with its "Do Not Show This Message
    // Again" box ticked or not: the alert flag follows the box and, when
    // that changed it, the setup and program data are saved once. false
    // only when that save failed.
    bool ApplyDoNotShowWirelessAlert(bool doNotShowAgain);

    // ---- FTP password --------------------------------------------------------
    // The plain password of a stored blob. flag 1: a blob of the data
    // protector holding UTF-16LE; flag 0: the older Blowfish form holding
    // Windows-1252 text. false with an errno-style error; with no stored
    // password, "Setup required: FTP Password" goes to the status line.
    bool DecryptPassword(const std::vector<uint8_t>& blob, int32_t flag, CSecretString& password,
                         uint32_t& error);
    // The FTP password in plain text. With showStatus, "Decrypting FTP
    // password" is shown first (a cancel answer ends it at once). A failure
    // is logged and shown ("Cannot decrypt the FTP Password ...").
    bool GetFtpPassword(CSecretString& password, bool showStatus = true) override;
    // Protects and stores a new FTP password (an empty one clears it). The
    // stored password is replaced only when the new one was protected; when
    // protection is not usable or fails, the user is told and the password
    // stored before is kept.
    bool SetFtpPassword(const std::string& password);

    // ---- setup document and data files --------------------------------------
    // The open setup document (set and cleared by the document itself).
    CQuillmarkDoc* GetDocument() const { return m_pDocument; }
    void SetDocument(CQuillmarkDoc* doc) { m_pDocument = doc; }
    // Streams the setup record and the index entries after the schema
    // number. Loading reads the layout of schema (0 for "Setup.bin") and,
    // when schema < currentSchema, first asks to convert and makes the
    // backup copy. A load applies nothing unless the whole stream was read.
    void SerializeSetup(CArchive& ar, uint32_t schema, uint32_t currentSchema);
    // Opens a setup data file into the open document; a converted file is
    // saved at once (with the program data). null when it was not opened.
    // namedAtStart: the file was named on the command line, so a file that
    // is not a setup file or is damaged is reported with what to do instead.
    CQuillmarkDoc* OpenDocumentFile(const std::string& path, bool namedAtStart = false);
    // Saves the open setup document (Save As when it has no file or its file
    // is read-only), then, with withProgramData, "ProgramData.bin". false
    // when anything asked for was not saved.
    bool SaveData(bool withProgramData);
    // After each file of a posting run: saves the setup document, then adds
    // the file's records to the posting journal beside "ProgramData.bin"
    // (a short append instead of rewriting a long Upload History). The next
    // full save takes them in and removes the journal; a start-up after a
    // run that never got that far reads them back. false when anything
    // asked for was not saved.
    bool SavePostedRecords(const std::vector<CScoreFile*>& records);
    // At the end of a run of the program: a posting journal beside
    // "ProgramData.bin" is taken into the file, so that the program leaves
    // one file behind. Quiet; when the file cannot be written the journal
    // stays, and the next start reads it.
    void FoldPostingJournal();
    // Enters a posted record in the Upload History: an entry for the same
    // results added through History "Add..." gives way, and an entry for
    // the same page and insert is replaced.
    void RecordPosted(const CScoreFile& record);
    // Reads "ProgramData.bin" into the Upload History (start-up). A damaged
    // file is set aside under a new name and the user told; a file that
    // cannot be read (or is too large to be one) and a file of a newer
    // version are left alone and never written over during this run.
    void LoadAppData();
    // Reads the legacy "Setup.bin" into the setup; true when it was read.
    bool LoadData();
    // Set when opening a setup data file converted it.
    bool m_bSaveAfterOpen = false;
    // The schema of the setup data last read or written.
    uint32_t m_nCurrentSetupSchema = 0;
    // Why the program data file must not be written ("" when it may be).
    const std::string& GetProgramDataRefusal() const { return m_strProgramDataRefusal; }

    // ---- transfer (app/transfer_host.cpp, app/url_download.cpp) -------------
    // The rest of what the transfer code asks of the program: the log, the
    // error reports and boxes of app/error_report.h, the transcript viewer
    // (modal while Index Website runs) and the setup's Website URL.
    void WriteLog(const std::string& text) override;
    void ReportError(uint32_t code, const std::string& operation) override;
    int ReportException(const CException& e, const std::string& operation, const std::string& boxText = {}) override;
    void ShowErrorBox(const std::string& text) override;
    void ShowTranscript(const std::string& text) override;
    std::string GetWebsiteUrl() const override { return m_Setup.m_strWebsiteUrl; }
    // Downloads a URL on a worker thread while the window keeps working;
    // bytes gets the content followed by one zero byte. False after the
    // error has been shown, or at once (silently) on cancel.
    bool GetURL(const std::string& url, std::vector<char>& bytes);

    // ---- posting questions -------------------------------------------------
    bool m_bAsk = false;
    // What a posting run that was cancelled had done, shown once it is over.
    std::string m_strRunSummary;
    bool m_bShowProgressBar = false;

    // Records carry flags: the version of the score-file records being read.
    uint32_t m_dwRecordsCarryFlags = 0;
    // Index Website passes running.
    int m_nIndexWebsiteDepth = 0;

    // ---- score files -------------------------------------------------------
    // The Upload History (program data file) and the index entries (setup
    // data file).
    CColScoreFile& GetHistory() { return m_History; }
    CColScoreFile& GetIndexEntries() { return m_IndexEntries; }
    // The time of the posting runs so far, phase by phase.
    CPhaseTimes& PostingTimes() { return m_PostingTimes; }
    // The records the current posting run has produced (they belong to a
    // collection; not owned here).
    std::vector<CScoreFile*>& GetCurrentRunFiles() { return m_CurrentRun; }
    // Appends to candidates the score files of the Score File Directory
    // modified after the Post Files Modified After time that parse and (unless
    // repost) are not in history (null: the Upload History). NotSetUp (the
    // status line says so) when there is no Score File Directory;
    // Unreadable when it cannot be read (said in the status line and the
    // log, and by GetScanProblem).
    enum class ScanResult { Scanned, NotSetUp, Unreadable };
    ScanResult FindNewScoreFiles(CSFPtrArray& candidates, bool repost, CColScoreFile* history = nullptr);
    // Why the last scan could not read the Score File Directory
    // ("The Score File Directory ... cannot be read: <reason>"); empty when
    // it could.
    const std::string& GetScanProblem() const { return m_strScanProblem; }
    // What the last cancelled posting run had done (how many games went up,
    // that the index waits), or otherwise when there is none; cleared.
    std::string TakeRunSummary(const std::string& otherwise)
    {
        std::string text = m_strRunSummary.empty() ? otherwise : m_strRunSummary;
        m_strRunSummary.clear();
        return text;
    }
    // Duplicate test by digest: where a file with the same content is, if
    // anywhere: among the current run's files (only when searchCurrentRun),
    // in the collection (null: the Upload History), or there and added
    // through History "Add..." without posting.
    enum class PostedMatch { None, InCurrentRun, InCollection, AddedWithoutPosting };
    PostedMatch FindPostedFile(const CScoreFile& file, CScoreFile** found, bool searchCurrentRun,
                       CColScoreFile* collection = nullptr);
    // Saves the program data (the setup document first) after a change of
    // the hand-record settings; the data-file layer installs the handler.
    bool SaveProgramData() { return m_fnSaveProgramData ? m_fnSaveProgramData() : false; }
    void SetSaveProgramDataHandler(std::function<bool()> handler) { m_fnSaveProgramData = std::move(handler); }

    // ---- index data and index commands (posting/index_*.cpp) -------------
    using CIndexPage = ::CIndexPage;
    // Appends a score file to the files produced by the current posting.
    void AddProducedEntry(CScoreFile* file) { m_CurrentRun.push_back(file); }
    // The index entries to show, sorted newest first (hidden ones only
    // when asked for); entries outside the Oldest To Index and Days To
    // Index limits are left out.
    void SelectIndexEntries(std::vector<CScoreFile*>& entries, bool includeHidden);
    // Writes the local index pages from the index template text into the
    // staging folder: Succeeded, Cancelled or Failed.
    IndexResult BuildLocalIndexPages(bool allPages, const std::string& templateText);
    // The month of a score file's session date needs its page rebuilt.
    void MarkMonthChanged(const CScoreFile* file);
    // Create Index: downloads the index template and builds the pages
    // (Failed, Cancelled or Succeeded).
    IndexResult CreateIndex(bool allPages);
    // Uploads the local pages (all, or the main page, the month list and the
    // changed months); true when every upload succeeded.
    bool PublishIndex(IWebTransport& worker, bool allPages);
    // Rebuilds the index entries from the pages on the website; true when
    // the entries were replaced.
    bool IndexWebsite();
    void OnIndexCreateIndex();
    void OnIndexPublishIndex();
    void OnIndexWebsite();
    void OnIndexEditIndex();
    void OnIndexBrowseWebsite();

    // ---- posting run (posting/posting_run.cpp, posting/post_score_file.cpp,
    // posting/bridgewebs_post.cpp) ------------------------------------------
    // Post Games, Post... and Repost: checks the setup, collects and
    // confirms the candidates, posts each marked file, records and saves
    // after each one, indexes and reports.
    PostRunResult PostGames(PostMode mode);
    // The file dialog of "&Post...": every chosen file appended, marked;
    // the ones that cannot be opened or read are left out and named.
    // Success after OK, Cancelled after Cancel.
    PostResult SelectFilesToPost(CSFPtrArray& candidates);
    // The Confirm Posting dialog over the candidates; after OK writes the
    // check states and hand-record paths back and returns true. Cancel
    // changes no record.
    bool ConfirmPosting(CSFPtrArray& candidates, bool addMode);
    // Posts one marked file with the run's connection and template.
    PostResult PostScoreFile(CScoreFile* file, IWebTransport& worker, CTemplateFile* templateFile);
    // Uploads a page and the files of its "_files" folder; false at the
    // first failed upload.
    bool UploadWithFilesFolder(IWebTransport& worker, const std::string& localPage, const std::string& htmlPath,
                               const std::string& remoteName);
    // The index entry whose page file name (folder part ignored) equals
    // name's, without regard to case; null when none.
    CScoreFile* FindIndexEntryByFileName(const std::string& name);
    // None when this setup has nothing to index; NotAttempted when nothing
    // was posted.
    IndexResult IndexAfterPosting(IWebTransport& worker, int posted, bool allowRebuild);
    // The commands: the "Post Games (F4)" button (Repost while Shift is
    // held), "&Post..." and "&Repost...".
    void OnPostGames(bool shiftHeld);
    void OnFilePost();
    void OnFileRepost();

    CIndexPages& GetIndexPages() { return m_IndexPages; }
    bool IsIndexReady() const { return m_IndexPages.m_bPagesReady; }
    // Setup changed the Website URL: the built pages must not be published.
    void InvalidateIndexPages() { m_IndexPages.Invalidate(); }

    // The URL download and the server connections used by the templates
    // and the index commands: GetURL and the FTP worker unless a test
    // installs stand-ins.
    void SetUrlSource(IUrlSource* source) { m_pUrlSource = source; }
    IUrlSource& GetUrlSource();
    using WebTransportFactory = std::function<std::unique_ptr<IWebTransport>(CFTPSettings& settings)>;
    void SetWebTransportFactory(WebTransportFactory factory) { m_fnMakeTransport = std::move(factory); }
    // A new connection on the setup's FTP settings.
    std::unique_ptr<IWebTransport> MakeWebTransport();

    // ---- posting-side commands (posting/posting_commands.cpp) ---------------
    // The command table (posting/command_table.h) routes to these, to the
    // index commands and to those of the posting run and Setup.
    // Uploads "TestFile.txt" into the FTP Directory: stops at the first
    // failure, shows "Success uploading %s" or "Failure uploading %s" and
    // then the transfer transcript. Runs busy, so Cancel stops it.
    void OnHelpUploadTestFile();
    // Asks, then empties the Upload History, saves and logs.
    void OnSetupEraseUploadHistory();
    // The History dialog over a working copy; OK with changes commits it.
    void OnViewHistory();
    // The hand-record folders dialog; OK after removals rewrites the search
    // path and saves the setup data file.
    void OnViewHandRecordFolders();
    void OnHelp();

    // ---- enabling rules (posting/command_update.cpp) ------------------------
    void OnUpdateIdleOnly(ICmdUI& ui) const;
    void OnUpdateFileCancel(ICmdUI& ui) const;
    // Call after the window's own update of the recent-file menu: while not
    // idle, disableItem(id) greys each item from the first recent-file id
    // upward until it answers that the id is not in the menu.
    void OnUpdateRecentFileMenu(const std::function<bool(unsigned id)>& disableItem) const;
    void OnUpdateIndexCommand(ICmdUI& ui) const;
    void OnUpdatePublishIndex(ICmdUI& ui) const;
    // The Post Games button: enabled when idle; while Shift is held it reads
    // the Repost caption.
    void OnUpdatePostGames(ICmdUI& ui, bool shiftHeld) const;
    void OnUpdateEraseUploadHistory(ICmdUI& ui) const;

protected:
    IPrompter* m_pPrompter = nullptr;
    IStatusSink* m_pMainFrame = nullptr;
    IProfile* m_pProfile = nullptr;
    IClock* m_pClock = nullptr;
    std::thread::id m_uiThread;

    IDataProtector* m_pProtector = nullptr;
    std::unique_ptr<CSodiumDataProtector> m_pDefaultProtector;
    CInterlock m_Interlock;
    bool m_bDataProtectionUsable = false;

    std::atomic<CancelState> m_nCancelState{CS_IDLE};
    int m_nBusy = 0;
    std::unique_ptr<CLogfile> m_pLog;
    int64_t m_tLowestDate = 0;

    mutable std::mutex m_tempMutex;
    std::vector<std::string> m_TempPaths;

    CSetupData m_Setup;
    CQuillmarkDoc* m_pDocument = nullptr;
    std::string m_strProgramDataRefusal;
    CColScoreFile m_History;
    CColScoreFile m_IndexEntries;
    std::vector<CScoreFile*> m_CurrentRun;
    std::string m_strScanProblem;
    std::function<bool()> m_fnSaveProgramData;
    CIndexPages m_IndexPages;
    CPhaseTimes m_PostingTimes;
    // Enters the records of the posting journal beside the program data
    // file in the Upload History (start-up).
    void ReplayPostingJournal(const std::string& dataPath);
    // Writes the whole Upload History through file (opened on path) and
    // drops the journal it now holds. Throws CException on failure.
    void CommitWholeHistory(const std::string& path, CMirrorFile& file);
    // Set while a full save of the program data is owed: the posting journal
    // cannot stand in for one that failed.
    bool m_bFullSaveNeeded = false;
    // Set when the posting journal was there at start-up but could not be
    // read: it is then kept through every save.
    bool m_bJournalUnread = false;
    // The Upload History's generation that the program data file and the
    // posting journal hold together (kNotOnDisk when they do not), and the
    // one that records entered since then will reach once appended.
    static constexpr uint64_t kNotOnDisk = ~uint64_t{0};
    uint64_t m_historyOnDisk = kNotOnDisk;
    uint64_t m_historyAwaitingJournal = kNotOnDisk;
    IUrlSource* m_pUrlSource = nullptr;
    WebTransportFactory m_fnMakeTransport;

private:
    // Tells why the program data file could not be read and refuses every
    // save over it from now on.
    void KeepUnreadable(const std::string& path, const std::string& why);
    // Reads "ProgramData.bin" into the Upload History (the first part of
    // LoadAppData); true when a file of this version was read whole.
    bool ReadProgramDataFile();
    // Says in the status line and the log that the Score File Directory
    // cannot be read, with the system's reason for error.
    void ReportUnreadableScoreFolder(int error);

    IPrompter m_defaultPrompter;
    CFileProfile m_defaultProfile;
    CSystemClock m_defaultClock;
};

// "1,234,567 bytes" or, with kilobytes, the count rounded up to whole KiB
// and " KB", digits grouped as the runtime locale groups them.
std::string FormatFileSize(uint64_t count, bool kilobytes);

// The one application object (set by whoever creates it: the window
// application or a test fixture).
CQuillmarkApp& theApp();
CQuillmarkApp* GetAppPtr();
void SetAppPtr(CQuillmarkApp* app);
