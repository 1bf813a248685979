#include "app/setup_fields.h"

#include <stdexcept>

#include "platform/date_helpers.h"
#include "platform/secret.h"

namespace {

using K = SetupValueKind;
using P = SetupPage;
using F = SetupField;

#define QM_RECORD(T, member) [](CSetupData& s) -> T& { return s.member; }
#define QM_SHEET(T, member) [](SetupSheetValues& v) -> T& { return v.member; }

SetupFieldRow Row(F field, P page, K kind, const char* label, const char* logItem, uint32_t schema)
{
    SetupFieldRow row{};
    row.field = field;
    row.protocol = -1;
    row.page = page;
    row.kind = kind;
    row.label = label;
    row.logItem = logItem;
    row.schema = schema;
    row.defaultText = "";
    return row;
}

SetupFieldRow Text(F field, P page, const char* label, const char* logItem, uint32_t schema,
                   std::string& (*text)(CSetupData&), std::string& (*sheet)(SetupSheetValues&))
{
    SetupFieldRow row = Row(field, page, K::Text, label, logItem, schema);
    row.text = text;
    row.sheetText = sheet;
    return row;
}

SetupFieldRow Time(F field, P page, const char* label, const char* logItem, uint32_t schema, const char* pattern,
                   int64_t& (*time)(CSetupData&), int64_t& (*sheet)(SetupSheetValues&))
{
    SetupFieldRow row = Row(field, page, K::Time, label, logItem, schema);
    row.timePattern = pattern;
    row.time = time;
    row.sheetTime = sheet;
    return row;
}

SetupFieldRow Number(F field, P page, const char* label, const char* logItem, uint32_t schema,
                     int32_t& (*number)(CSetupData&), int32_t& (*sheet)(SetupSheetValues&))
{
    SetupFieldRow row = Row(field, page, K::Number, label, logItem, schema);
    row.number = number;
    row.sheetNumber = sheet;
    return row;
}

// The option word came with schema 8; its bits with the word.
SetupFieldRow Flag(F field, P page, const char* label, const char* logItem, uint32_t bit,
                   bool& (*sheet)(SetupSheetValues&), bool inverted = false)
{
    SetupFieldRow row = Row(field, page, K::Flag, label, logItem, 8);
    row.flag = bit;
    row.inverted = inverted;
    row.sheetFlag = sheet;
    return row;
}

SetupFieldRow PerProtocol(SetupFieldRow row, int protocol, const char* defaultText = "")
{
    row.protocol = protocol;
    row.defaultText = defaultText;
    return row;
}

SetupFieldRow Kept(SetupFieldRow row)
{
    row.keptOnReset = true;
    return row;
}

std::vector<SetupFieldRow> MakeTable()
{
    std::vector<SetupFieldRow> t;
    // Computer page.
    t.push_back(Text(F::ScoreFileDirectory, P::Computer, "Score File Directory:",
                     "Setup Computer: Score File Directory", 5, QM_RECORD(std::string, m_strScoreFileDirectory),
                     QM_SHEET(std::string, computer.scoreFileDirectory)));
    t.push_back(Time(F::PostFilesModifiedAfter, P::Computer, "Post Files Modified After:",
                     "Setup Computer: Post Files Modified After", 5, "%m/%d/%Y %H:%M:%S",
                     QM_RECORD(int64_t, m_tPostFilesModifiedAfter),
                     QM_SHEET(int64_t, computer.postFilesModifiedAfter)));
    t.push_back(Text(F::HtmlLayout, P::Computer, "HTML Layout:", "Setup Computer: HTML Layout", 7,
                     QM_RECORD(std::string, m_strHtmlLayout), QM_SHEET(std::string, computer.htmlLayout)));
    t.push_back(Text(F::PdfLayout, P::Computer, "PDF Layout:", "Setup Computer: PDF Layout", 9,
                     QM_RECORD(std::string, m_strPdfLayout), QM_SHEET(std::string, computer.pdfLayout)));
    t.push_back(Flag(F::AutoFillHandRecord, P::Computer, "Automatically fill the hand record field if possible",
                     "Setup Computer: Automatically fill the hand record field if possible", SF_AUTO_FILL_HAND_RECORD,
                     QM_SHEET(bool, computer.autoFillHandRecord)));
    t.push_back(Flag(F::AlertHandRecordNotFilled, P::Computer, "Alert when the hand record field is not filled",
                     "Setup Computer: Alert when the hand record field is not filled",
                     SF_ALERT_HAND_RECORD_NOT_FILLED, QM_SHEET(bool, computer.alertHandRecordNotFilled)));
    t.push_back(Flag(F::UseCheckScoreData, P::Computer, "Use the Vantorel \"Check Score Data\" command",
                     "Setup Computer: Use the Vantorel \"Check Score Data\" command", SF_USE_CHECK_SCORE_DATA,
                     QM_SHEET(bool, computer.useCheckScoreData)));
    t.push_back(Flag(F::AlertCheckScoreData, P::Computer,
                     "Alert when \"Check Score Data\" finds potential scoring errors",
                     "Setup Computer: Alert when \"Check Score Data\" finds potential scoring errors",
                     SF_ALERT_CHECK_SCORE_DATA, QM_SHEET(bool, computer.alertCheckScoreData)));

    // Website page.
    t.push_back(Text(F::WebsiteUrl, P::Website, "Website URL:", "Setup Website: Website URL", 5,
                     QM_RECORD(std::string, m_strWebsiteUrl), QM_SHEET(std::string, website.websiteUrl)));
    t.push_back(Text(F::IndexTemplate, P::Website, "Index Template Filename:",
                     "Setup Website: Index Template Filename", 5, QM_RECORD(std::string, m_strIndexTemplate),
                     QM_SHEET(std::string, website.indexTemplate)));
    t.push_back(Text(F::IndexFile, P::Website, "Index Filename:", "Setup Website: Index Filename", 6,
                     QM_RECORD(std::string, m_strIndexFile), QM_SHEET(std::string, website.indexFile)));
    t.push_back(Time(F::OldestToIndex, P::Website, "Oldest To Index:", "Setup Website: Oldest To Index", 8,
                     "%m/%d/%Y", QM_RECORD(int64_t, m_tOldestToIndex), QM_SHEET(int64_t, website.oldestToIndex)));
    t.push_back(Number(F::DaysToIndex, P::Website, "Days To Index:", "Setup Website: Days To Index", 5,
                       QM_RECORD(int32_t, m_nDaysToIndex), QM_SHEET(int32_t, website.daysToIndex)));
    t.push_back(Text(F::WebsiteScoreFileDirectory, P::Website, "Score File Directory:",
                     "Setup Website: Score File Directory", 5, QM_RECORD(std::string, m_strWebsiteScoreFileDirectory),
                     QM_SHEET(std::string, website.scoreFileDirectory)));
    t.push_back(Text(F::ScoreFileTemplate, P::Website, "Score File Template Filename:",
                     "Setup Website: Score File Template Filename", 5, QM_RECORD(std::string, m_strScoreFileTemplate),
                     QM_SHEET(std::string, website.scoreFileTemplate)));
    t.push_back(Flag(F::MultiPageIndex, P::Website, "Generate multi-page results index (recommended)",
                     "Setup Website: Multi-page index", SF_MULTI_PAGE_INDEX, QM_SHEET(bool, website.multiPageIndex)));
    t.push_back(Flag(F::LinkPdfHandRecords, P::Website, "Provide link to PDF hand records on index page",
                     "Setup Website: Link PDF hand records", SF_LINK_PDF_HAND_RECORDS,
                     QM_SHEET(bool, website.linkPdfHandRecords)));
    t.push_back(Flag(F::LinkHandRecords, P::Website,
                     "Provide link to computer hand records on index page (See Caution in Help)",
                     "Setup Website: Link computer hand records", SF_LINK_HAND_RECORDS,
                     QM_SHEET(bool, website.linkHandRecords)));
    t.push_back(Flag(F::RebuildIndexFromWebsite, P::Website, "Rebuild index from website after every posting",
                     "Setup Website: Rebuild index from website after every posting", SF_REBUILD_INDEX_FROM_WEBSITE,
                     QM_SHEET(bool, website.rebuildIndexFromWebsite)));

    // FTP page.
    t.push_back(Text(F::Server, P::Ftp, "Server:", "Setup FTP: FTP Server", 5, QM_RECORD(std::string, m_Ftp.m_strServer),
                     QM_SHEET(std::string, ftp.server)));
    // Follows the server: set when the server is the BridgeWebs service.
    t.push_back(Flag(F::BridgeWebs, P::Ftp, "", "Setup FTP: (BridgeWebs?)", SF_BRIDGEWEBS, nullptr));
    t.push_back(Text(F::User, P::Ftp, "User:", "Setup FTP: FTP User", 5, QM_RECORD(std::string, m_Ftp.m_strUser),
                     QM_SHEET(std::string, ftp.user)));
    t.push_back(Row(F::Password, P::Ftp, K::Special, "Password:", "Setup FTP: FTP Password", 0));
    t.push_back(Text(F::Directory, P::Ftp, "Directory (see Help):", "Setup FTP: Directory", 5,
                     QM_RECORD(std::string, m_Ftp.m_strDirectory), QM_SHEET(std::string, ftp.directory)));
    const SetupFieldRow port[3] = {
        Text(F::Port, P::Ftp, "Port Number:", "Setup FTP: Port Number (FTP)", 12, QM_RECORD(std::string, m_Ftp.m_strPort[0]),
             QM_SHEET(std::string, ftp.port[0])),
        Text(F::Port, P::Ftp, "Port Number:", "Setup FTP: Port Number (FTPS)", 12,
             QM_RECORD(std::string, m_Ftp.m_strPort[1]), QM_SHEET(std::string, ftp.port[1])),
        Text(F::Port, P::Ftp, "Port Number:", "Setup FTP: Port Number (SFTP)", 12,
             QM_RECORD(std::string, m_Ftp.m_strPort[2]), QM_SHEET(std::string, ftp.port[2])),
    };
    const SetupFieldRow parameters[3] = {
        Text(F::Parameters, P::Ftp, "Additional Parameters:", "Setup FTP: Additional Parameters (FTP)", 12,
             QM_RECORD(std::string, m_Ftp.m_strParameters[0]), QM_SHEET(std::string, ftp.parameters[0])),
        Text(F::Parameters, P::Ftp, "Additional Parameters:", "Setup FTP: Additional Parameters (FTPS)", 12,
             QM_RECORD(std::string, m_Ftp.m_strParameters[1]), QM_SHEET(std::string, ftp.parameters[1])),
        Text(F::Parameters, P::Ftp, "Additional Parameters:", "Setup FTP: Additional Parameters (SFTP)", 12,
             QM_RECORD(std::string, m_Ftp.m_strParameters[2]), QM_SHEET(std::string, ftp.parameters[2])),
    };
    for (int p = 0; p < 3; ++p) {
        t.push_back(PerProtocol(port[p], p, kDefaultPorts[p]));
        t.push_back(PerProtocol(parameters[p], p));
    }
    t.push_back(Flag(F::Passive, P::Ftp, "FTP passive mode (recommended)", "Setup FTP: Passive FTP", SF_ACTIVE_FTP,
                     QM_SHEET(bool, ftp.passive), true));
    t.push_back(Number(F::Protocol, P::Ftp, "Protocol:", "Setup FTP: Protocol", 12,
                       QM_RECORD(int32_t, m_Ftp.m_nProtocol), QM_SHEET(int32_t, ftp.protocol)));
    t.push_back(Flag(F::UploadToSubdirectories, P::Ftp, "Upload to subdirectories (recommended)",
                     "Setup FTP: Upload to subdirectories", SF_UPLOAD_TO_SUBDIRECTORIES,
                     QM_SHEET(bool, ftp.uploadToSubdirectories)));
    t.push_back(Flag(F::AlertNoBws, P::Ftp, "Alert if BWS file not found (BridgeWebs only)", "Setup FTP: Alert No BWS",
                     SF_ALERT_NO_BWS, QM_SHEET(bool, ftp.alertNoBws)));

    // Kept in the setup file only.
    t.push_back(Row(F::HandRecordFolders, P::None, K::Special, "", "", 5));
    t.push_back(Row(F::HandRecordFilterIndex, P::None, K::Special, "", "", 8));
    t.push_back(Kept(Time(F::LastPublishIndex, P::None, "", "", 10, "", QM_RECORD(int64_t, m_tLastPublishIndex),
                          nullptr)));
    t.push_back(Kept(Text(F::StagingFolder, P::None, "", "", 10, QM_RECORD(std::string, m_strStagingFolder), nullptr)));
    t.push_back(Row(F::OptionFlags, P::None, K::Special, "", "", 8));
    t.push_back(Row(F::PasswordProtected, P::None, K::Special, "", "", 0));
    t.push_back(Row(F::ProtectedPassword, P::None, K::Special, "", "", 0));
    return t;
}

#undef QM_RECORD
#undef QM_SHEET

std::string FormatSetupTime(int64_t time, const char* pattern)
{
    try {
        return FormatDate(time, pattern);
    } catch (...) {
        return std::to_string(time);
    }
}

bool FlagState(const SetupFieldRow& row, const CSetupData& setup)
{
    return ((setup.m_Ftp.m_dwFlags & row.flag) != 0) != row.inverted;
}

}  // namespace

const std::vector<SetupFieldRow>& SetupFieldTable()
{
    static const std::vector<SetupFieldRow> table = MakeTable();
    return table;
}

const SetupFieldRow& SetupFieldOf(SetupField field, int protocol)
{
    for (const SetupFieldRow& row : SetupFieldTable()) {
        if (row.field == field && (protocol < 0 || row.protocol == protocol))
            return row;
    }
    throw std::logic_error("no setup field row");
}

void SetSetupDefaults(CSetupData& setup, int64_t lowestDate, bool passwordProtected)
{
    for (const SetupFieldRow& row : SetupFieldTable()) {
        if (row.keptOnReset)
            continue;
        switch (row.kind) {
        case K::Text: row.text(setup) = row.defaultText; break;
        case K::Time: row.time(setup) = row.field == F::OldestToIndex ? lowestDate : 0; break;
        case K::Number: row.number(setup) = 0; break;
        case K::Flag:
        case K::Special: break;
        }
    }
    setup.m_HandRecordFolders.RemoveAll();
    setup.m_nHandRecordFilterIndex = 0;
    setup.m_Ftp.m_dwFlags = 0;
    setup.m_bPasswordProtected = passwordProtected ? 1 : 0;
    WipeVector(setup.m_ProtectedPassword);
}

void CopySetupToSheet(const CSetupData& setup, SetupSheetValues& values)
{
    // The accessors hand out references; reading through them changes nothing.
    CSetupData& s = const_cast<CSetupData&>(setup);
    for (const SetupFieldRow& row : SetupFieldTable()) {
        switch (row.kind) {
        case K::Text:
            if (row.sheetText)
                row.sheetText(values) = row.text(s);
            break;
        case K::Time:
            if (row.sheetTime)
                row.sheetTime(values) = row.time(s);
            break;
        case K::Number: row.sheetNumber(values) = row.number(s); break;
        case K::Flag:
            if (row.sheetFlag)
                row.sheetFlag(values) = FlagState(row, setup);
            break;
        case K::Special: break;
        }
    }
}

bool SheetValueDiffers(const SetupFieldRow& row, const CSetupData& setup, const SetupSheetValues& values)
{
    CSetupData& s = const_cast<CSetupData&>(setup);
    SetupSheetValues& v = const_cast<SetupSheetValues&>(values);
    switch (row.kind) {
    case K::Text: return row.sheetText && row.text(s) != row.sheetText(v);
    case K::Time: return row.sheetTime && row.time(s) != row.sheetTime(v);
    case K::Number: return row.number(s) != row.sheetNumber(v);
    case K::Flag: return row.sheetFlag && FlagState(row, setup) != row.sheetFlag(v);
    case K::Special: return false;
    }
    return false;
}

std::string SetupValueText(const SetupFieldRow& row, const CSetupData& setup)
{
    CSetupData& s = const_cast<CSetupData&>(setup);
    switch (row.kind) {
    case K::Text: return row.text(s);
    case K::Time: return FormatSetupTime(row.time(s), row.timePattern);
    case K::Number:
        return row.field == F::Protocol ? GetProtocolName(row.number(s)) : std::to_string(row.number(s));
    case K::Flag: return FlagState(row, setup) ? "1" : "0";
    case K::Special: return {};
    }
    return {};
}

void StoreSheetValue(const SetupFieldRow& row, CSetupData& setup, const SetupSheetValues& values)
{
    SetupSheetValues& v = const_cast<SetupSheetValues&>(values);
    switch (row.kind) {
    case K::Text:
        if (row.sheetText)
            row.text(setup) = row.sheetText(v);
        break;
    case K::Time:
        if (row.sheetTime)
            row.time(setup) = row.sheetTime(v);
        break;
    case K::Number: row.number(setup) = row.sheetNumber(v); break;
    case K::Flag:
        if (row.sheetFlag) {
            if (row.sheetFlag(v) != row.inverted)
                setup.m_Ftp.m_dwFlags |= row.flag;
            else
                setup.m_Ftp.m_dwFlags &= ~row.flag;
        }
        break;
    case K::Special: break;
    }
}
