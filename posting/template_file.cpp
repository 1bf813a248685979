#include "posting/template_file.h"

#include <cerrno>

#include "platform/date_helpers.h"
#include "app/error_report.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/line_splitter.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "posting/page_file.h"
#include "posting/page_markers.h"
#include "posting/score_file.h"

namespace {

void ShowError(CQuillmarkApp& app, const std::string& text)
{
    if (app.GetLog())
        app.GetLog()->WriteBlock(text, "Message Box");
    app.Prompter().MessageBox(text, MB_OK | MB_ICONERROR);
}

// The template URL's extension as the staging copy's: a dot and up to ten
// letters and digits; anything else (none, or a URL from a damaged setup
// file) gives ".htm".
bool IsPageExtension(const std::string& ext)
{
    if (ext.size() < 2 || ext.size() > 11 || ext[0] != '.')
        return false;
    for (size_t i = 1; i < ext.size(); ++i) {
        const char c = ext[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

}  // namespace

bool CTemplateFile::Download(const std::string& url)
{
    m_strTemplateUrl = url;
    m_text.clear();
    const bool ok = theApp().GetUrlSource().GetURL(url, m_text);
    m_nExpected = 1;
    return ok;
}

void CTemplateFile::SetTemplate(const std::string& url, std::string text)
{
    m_strTemplateUrl = url;
    m_text = std::move(text);
    m_nExpected = 1;
}

void CTemplateFile::AddTemplateExtension(std::string& name) const
{
    if (!GetExtension(name).empty())
        return;
    const std::string ext = ToLowerAscii(GetExtension(m_strTemplateUrl));
    if (!ext.empty())
        name += ext;
}

PostResult CTemplateFile::Parse(bool merge, CScoreFile* scoreFile)
{
    CQuillmarkApp& app = theApp();
    CPageFile staging;
    std::string status;
    if (!merge) {
        m_strOutputName.clear();
        status = "Reading template data";
    } else {
        if (!app.SetStatusText("Opening web page staging file", 2))
            return PostResult::StatusCancelled;
        std::string ext = GetExtension(m_strTemplateUrl);
        if (!IsPageExtension(ext))
            ext = ".htm";
        std::string path;
        errno = 0;
        if (!app.GetTempFile("", "QMw", ext, path)) {
            // A missing temporary folder has been reported already.
            if (FolderExists(CQuillmarkApp::GetTempFolder()))
                ReportError(static_cast<uint32_t>(errno ? errno : EEXIST),
                            "CTemplateFile::Parse: CQuillmarkApp::GetTempFile");
            return PostResult::Failed;
        }
        m_strStagingPath = path;
        if (!staging.Open(path)) {
            ReportException(CFileException(errno, path), "CTemplateFile::Parse: CStdioFile::Open");
            return PostResult::Failed;
        }
        status = "Copying template data";
    }
    if (!app.SetStatusText(status, 2))
        return PostResult::StatusCancelled;

    int count = 0;
    try {
        // The template is text: a NUL byte ends it.
        CLineSplitter lines(TextBeforeNul(m_text), LineEnds::CrOrLf);
        std::string_view line;
        while (lines.Next(line)) {
            if (merge) {
                staging.WriteString(line);
                staging.WriteString("\n");
            }
            if (!IsMarkerLine(line, kInsertMarker))
                continue;
            if (scoreFile) {
                const PostResult result = ProcessInsert(merge, count, scoreFile, &staging);
                if (result != PostResult::Success)
                    return result;
                if (!app.SetStatusText(status, 2))
                    return PostResult::StatusCancelled;
            }
            ++count;
        }
        if (merge)
            staging.Close();
    } catch (const CException& e) {
        staging.Abort();
        ReportException(e, "CTemplateFile::Parse: read/write loop");
        return PostResult::Failed;
    }
    m_nFound = count;
    if (!merge)
        return PostResult::Success;
    if (m_nFound != m_nExpected) {
        ShowError(app, StrFormat("Template %s:\r\nExpected %d insert locations, found %d", m_strTemplateUrl.c_str(),
                                 m_nExpected, m_nFound));
        return PostResult::Failed;
    }
    if (m_strOutputName.empty()) {
        ShowError(app, "No output filename");
        return PostResult::Failed;
    }
    return PostResult::Success;
}

PostResult CTemplateFile::ProcessInsert(bool merge, int insertIndex, CScoreFile* scoreFile, CPageFile* staging)
{
    CQuillmarkApp& app = theApp();
    const char* word = merge ? "Merging" : "Checking";
    if (!app.SetStatusText(StrFormat("%s: %s", word, scoreFile->GetPath().c_str()), 2))
        return PostResult::StatusCancelled;
    CLogfile* log = app.GetLog();
    if (log)
        log->Printf("%s insert #%d=[%s] length=[%llu] mod=[%s]\n", word, insertIndex + 1,
                    scoreFile->GetPath().c_str(), static_cast<unsigned long long>(scoreFile->GetSize()),
                    scoreFile->GetModifiedText().c_str());

    if (merge) {
        if (log)
            log->Printf("%s: EVENT>%s SESSION>%s SECTION>%s DATE>%s LIMITS>%s\n", m_strOutputName.c_str(),
                        scoreFile->GetDescriptor(SFD_EVENT).c_str(), scoreFile->GetDescriptor(SFD_SESSION).c_str(),
                        scoreFile->GetDescriptor(SFD_SECTION).c_str(), scoreFile->GetDescriptor(SFD_DATE).c_str(),
                        scoreFile->GetDescriptor(SFD_MP_LIMITS).c_str());
        scoreFile->SetPosted(m_strOutputName, insertIndex);
        std::string body;
        scoreFile->WriteBody(body);
        staging->WriteString(body);
        staging->WriteString(kInsertEndMarker);
        staging->WriteString("\n");
        app.AddProducedEntry(scoreFile);
        return PostResult::Success;
    }

    CScoreFile* earlier = nullptr;
    const CQuillmarkApp::PostedMatch found = app.FindPostedFile(*scoreFile, &earlier, true);
    std::string question;
    if (found == CQuillmarkApp::PostedMatch::InCollection && earlier) {
        question = StrFormat(
            "The results in a score file have been posted previously to a web page.\r\n\r\n"
            "Score file: %s\r\nWeb page: %s\r\nInsert: %d\r\nPosted: %s",
            scoreFile->GetPath().c_str(), earlier->GetWebName().c_str(), earlier->GetInsertNumber() + 1,
            earlier->GetPostedText().c_str());
    }
    const PostAnswer answer = scoreFile->ConfirmPost(question);
    if (answer != PostAnswer::Post)
        return ToPostResult(answer);
    if (found == CQuillmarkApp::PostedMatch::InCollection && earlier && earlier->GetInsertNumber() == 0) {
        m_strOutputName = GetFileNameOnly(earlier->GetWebName());
        scoreFile->FillMissingFrom(*earlier);
    }
    if (m_strOutputName.empty()) {
        const CScoreFile::KeyResult key = scoreFile->GetKey(true, &m_strOutputName);
        if (key == CScoreFile::KeyResult::Cancelled)
            return PostResult::Cancelled;
        if (!scoreFile->IsPost() || key != CScoreFile::KeyResult::Complete)
            return PostResult::Failed;
        AddTemplateExtension(m_strOutputName);
    }
    if (app.Setup().GetFlags() & SF_UPLOAD_TO_SUBDIRECTORIES) {
        const int64_t date = scoreFile->GetSessionDate() ? scoreFile->GetSessionDate() : scoreFile->GetDate();
        m_strOutputName = FormatDate(date, "%Y") + "\\" + FormatDate(date, "%m") + "\\" +
                          GetFileNameOnly(m_strOutputName);
    }
    scoreFile->SetPosted(m_strOutputName, 0);
    return PostResult::Success;
}
