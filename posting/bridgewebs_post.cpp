// Posting one ACBLscore game file to the BridgeWebs results service: one
// form post carrying the club's login, the game file, its wireless scoring
// database and its hand-record file.
#include "posting/bridgewebs_post.h"

#include <algorithm>

#include "app/error_report.h"
#include "app/quillmark_app.h"
#include "platform/error_text.h"
#include "platform/secret.h"
#include "platform/text_encoding.h"
#include "platform/text_helpers.h"
#include "posting/score_file.h"
#include "transfer/http_post.h"
#include "transfer/url_string.h"

namespace {

// The system text of a failed read's code (0x8007xxxx holds the errno).
std::string ReadErrorText(int32_t code)
{
    const std::string text = SystemErrorText(static_cast<int>(static_cast<uint32_t>(code) & 0xFFFF));
    return text.empty() ? StrFormat("Error code 0x%08X", static_cast<uint32_t>(code)) : text;
}

void AddField(std::string& body, const char* name, const void* data, size_t size)
{
    body += name;
    body += '=';
    UrlEncodeBytes(body, data, size);
    body += '&';
}

void AddTextField(std::string& body, const char* name, const std::string& utf8)
{
    const std::string narrow = Utf8ToCp1252(utf8);
    AddField(body, name, narrow.data(), narrow.size());
}

// The wireless scoring database's two fields, or none when it cannot be
// read and the user lets it go.
void AddWirelessDatabase(CQuillmarkApp& app, CScoreFile* file, std::string& body)
{
    CLogfile* log = app.GetLog();
    app.SetStatusText("Getting wireless scoring system database file", 2);
    std::string path = file->GetBwsPath();
    for (;;) {
        const uint8_t* data = nullptr;
        uint64_t size = 0;
        const int32_t code = file->LoadFile(path, data, size);
        if (code == CScoreFile::kFileLoaded) {
            AddTextField(body, "bwsname", GetFileNameOnly(path));
            AddField(body, "bwsdata", data, static_cast<size_t>(size));
            if (log)
                log->Printf("Uploading BWS file=[%s] %u bytes\n", path.c_str(), static_cast<unsigned>(size));
            return;
        }
        // The dialog's "Do Not Show" clears the alert at once, so it is
        // read again on every round.
        if (app.Setup().GetFlags() & SF_ALERT_NO_BWS) {
            WirelessDatabaseRequest request;
            request.message = "Unable to open wireless scoring system database: " + ReadErrorText(code);
            request.error = static_cast<uint32_t>(code);
            request.path = path;
            std::string chosen = path;
            if (app.Prompter().WirelessDatabase(request, chosen) == IDOK) {
                path = chosen;
                continue;
            }
        }
        if (log)
            log->Printf("Unable to access BWS file=[%s]: %s\n", path.c_str(), ReadErrorText(code).c_str());
        return;
    }
}

}  // namespace

PostResult PostToBridgeWebs(CQuillmarkApp& app, CScoreFile* file)
{
    CLogfile* log = app.GetLog();
    std::string question;
    if (const CScoreFile* earlier = app.GetHistory().Lookup(*file); earlier && !earlier->IsAddedToHistory()) {
        question = StrFormat("A score file has been posted previously to the website.\r\n\r\nScore file: %s\r\n"
                             "Posted: %s",
                             file->GetPath().c_str(), earlier->GetPostedText().c_str());
    }
    const PostAnswer answer = file->ConfirmPost(question);
    if (answer != PostAnswer::Post)
        return ToPostResult(answer);
    const std::string destination = file->GetFileName();
    file->SetPosted(destination, 0);
    app.AddProducedEntry(file);
    if (!app.SetStatusText("Upload pending", 2))
        return PostResult::StatusCancelled;

    const CFTPSettings& ftp = app.Setup().m_Ftp;
    std::string body;
    struct BodyWipe {
        std::string& body;
        ~BodyWipe() { WipeString(body); }
    } wipe{body};
    AddTextField(body, "club", ftp.m_strUser);
    body += "type=upload&";
    {
        // No post goes out without the password: a failure has been shown
        // and fails this file, a cancel stops like any cancel.
        CSecretString password;
        if (!app.GetFtpPassword(password, true))
            return app.GetCancelState(false) == CS_CANCELLED ? PostResult::StatusCancelled : PostResult::Failed;
        std::string narrow = Utf8ToCp1252(password.Get());
        password.Clear();
        AddField(body, "password", narrow.data(), narrow.size());
        WipeString(narrow);
    }
    app.SetStatusText("Getting ACBLscore score file", 2);
    AddTextField(body, "acblname", destination);
    file->GetText();
    const std::string_view content = file->GetContent();
    const size_t count = static_cast<uint32_t>(file->GetSize());
    AddField(body, "acbldata", content.data(), std::min(count, content.size()));
    if (log)
        log->Printf("Uploading score file=[%s] %d bytes\n", file->GetPath().c_str(), static_cast<int>(count));

    AddWirelessDatabase(app, file, body);

    app.SetStatusText("Getting hand record file", 2);
    if (const std::string& path = file->GetHandRecordPath(); !path.empty()) {
        const uint8_t* data = nullptr;
        uint64_t size = 0;
        const int32_t code = file->LoadFile(path, data, size);
        if (code != CScoreFile::kFileLoaded) {
            if (log)
                log->Printf("Unable to access hand record file=[%s]: %s\n", path.c_str(), ReadErrorText(code).c_str());
        } else {
            AddTextField(body, "dealname", GetFileNameOnly(path));
            AddField(body, "dealdata", data, static_cast<size_t>(size));
            if (log)
                log->Printf("Uploading hand record file=[%s] %d bytes\n", path.c_str(), static_cast<int>(size));
        }
    }
    while (!body.empty() && body.back() == '&')
        body.pop_back();

    std::string url = "http://" + ftp.m_strServer;
    if (!ftp.m_strDirectory.empty())
        url += "/" + ftp.m_strDirectory;
    url += "/cgi-bin/upload/exchange.cgi";

    CHTPost post(app);
    post.InitPost(destination, url, "Content-Type: application/x-www-form-urlencoded", body);
    WipeString(body);
    post.Wait();
    // A cancelled post is not a posting: nothing is recorded, whether or
    // not any of the body went out.
    if (post.IsCanceled()) {
        if (log)
            log->Printf("Upload canceled: %s\n", file->GetPath().c_str());
        return PostResult::StatusCancelled;
    }
    CUrlString reply;
    reply.FromFilePath(post.GetReplyPath());
    app.NavigateView(reply.GetString(), 0);
    if (const char* error = post.GetError()) {
        app.ShowErrorMessage(error);
        return PostResult::Failed;
    }
    return PostResult::Success;
}
