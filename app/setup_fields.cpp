#include "app/setup_fields.h"

#include <stdexcept>

#include "platform/date_helpers.h"
#include "platform/secret.h"

namespace {

using P = SetupPage;
using F = SetupField;

// Names a member for the writable and the read-only record alike.
#define QM_MEMBER(member) [](auto& r) -> decltype(auto) { return (r.member); }

SetupFieldRow Row(F field, P page, const char* label, const char* logItem, uint32_t schema, SetupValue value)
{
    return SetupFieldRow{field, -1, page, label, logItem, schema, false, std::move(value)};
}

SetupFieldRow Text(F field, P page, const char* label, const char* logItem, uint32_t schema,
                   RecordMember<std::string> record, SheetMember<std::string> sheet)
{
    return Row(field, page, label, logItem, schema, SetupText{record, sheet});
}

// The option word came with schema 8; its bits with the word.
SetupFieldRow Flag(F field, P page, const char* label, const char* logItem, uint32_t bit,
                   std::optional<SheetMember<bool>> sheet, bool inverted = false)
{
    return Row(field, page, label, logItem, 8, SetupFlag{bit, inverted, sheet});
}

SetupFieldRow Special(F field, P page, const char* label, const char* logItem, uint32_t schema)
{
    return Row(field, page, label, logItem, schema, SetupSpecial{});
}

SetupFieldRow PerProtocol(F field, int protocol, const char* label, const char* logItem,
                          RecordMember<std::string> record, SheetMember<std::string> sheet, const char* defaultText = "")
{
    SetupFieldRow row = Row(field, P::Ftp, label, logItem, 12, SetupText{record, sheet, defaultText});
    row.protocol = protocol;
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
                     "Setup Computer: Score File Directory", 5, QM_MEMBER(m_strScoreFileDirectory),
                     QM_MEMBER(computer.scoreFileDirectory)));
    t.push_back(Row(F::PostFilesModifiedAfter, P::Computer, "Post Files Modified After:",
                    "Setup Computer: Post Files Modified After", 5,
                    SetupTime{QM_MEMBER(m_tPostFilesModifiedAfter), QM_MEMBER(computer.postFilesModifiedAfter),
                              "%m/%d/%Y %H:%M:%S"}));
    t.push_back(Text(F::HtmlLayout, P::Computer, "HTML Layout:", "Setup Computer: HTML Layout", 7,
                     QM_MEMBER(m_strHtmlLayout), QM_MEMBER(computer.htmlLayout)));
    t.push_back(Text(F::PdfLayout, P::Computer, "PDF Layout:", "Setup Computer: PDF Layout", 9,
                     QM_MEMBER(m_strPdfLayout), QM_MEMBER(computer.pdfLayout)));
    t.push_back(Flag(F::AutoFillHandRecord, P::Computer, "Automatically fill the hand record field if possible",
                     "Setup Computer: Automatically fill the hand record field if possible", SF_AUTO_FILL_HAND_RECORD,
                     QM_MEMBER(computer.autoFillHandRecord)));
    t.push_back(Flag(F::AlertHandRecordNotFilled, P::Computer, "Alert when the hand record field is not filled",
                     "Setup Computer: Alert when the hand record field is not filled",
                     SF_ALERT_HAND_RECORD_NOT_FILLED, QM_MEMBER(computer.alertHandRecordNotFilled)));
    t.push_back(Flag(F::UseCheckScoreData, P::Computer, "Use the Vantorel \"Check Score Data\" command",
                     "Setup Computer: Use the Vantorel \"Check Score Data\" command", SF_USE_CHECK_SCORE_DATA,
                     QM_MEMBER(computer.useCheckScoreData)));
    t.push_back(Flag(F::AlertCheckScoreData, P::Computer,
                     "Alert when \"Check Score Data\" finds potential scoring errors",
                     "Setup Computer: Alert when \"Check Score Data\" finds potential scoring errors",
                     SF_ALERT_CHECK_SCORE_DATA, QM_MEMBER(computer.alertCheckScoreData)));

    // Website page.
    t.push_back(Text(F::WebsiteUrl, P::Website, "Website URL:", "Setup Website: Website URL", 5,
                     QM_MEMBER(m_strWebsiteUrl), QM_MEMBER(website.websiteUrl)));
    t.push_back(Text(F::IndexTemplate, P::Website, "Index Template Filename:",
                     "Setup Website: Index Template Filename", 5, QM_MEMBER(m_strIndexTemplate),
                     QM_MEMBER(website.indexTemplate)));
    t.push_back(Text(F::IndexFile, P::Website, "Index Filename:", "Setup Website: Index Filename", 6,
                     QM_MEMBER(m_strIndexFile), QM_MEMBER(website.indexFile)));
    t.push_back(Row(F::OldestToIndex, P::Website, "Oldest To Index:", "Setup Website: Oldest To Index", 8,
                    SetupTime{QM_MEMBER(m_tOldestToIndex), QM_MEMBER(website.oldestToIndex), "%m/%d/%Y", true}));
    t.push_back(Row(F::DaysToIndex, P::Website, "Days To Index:", "Setup Website: Days To Index", 5,
                    SetupNumber{QM_MEMBER(m_nDaysToIndex), QM_MEMBER(website.daysToIndex)}));
    t.push_back(Text(F::WebsiteScoreFileDirectory, P::Website, "Score File Directory:",
                     "Setup Website: Score File Directory", 5, QM_MEMBER(m_strWebsiteScoreFileDirectory),
                     QM_MEMBER(website.scoreFileDirectory)));
    t.push_back(Text(F::ScoreFileTemplate, P::Website, "Score File Template Filename:",
                     "Setup Website: Score File Template Filename", 5, QM_MEMBER(m_strScoreFileTemplate),
                     QM_MEMBER(website.scoreFileTemplate)));
    t.push_back(Flag(F::MultiPageIndex, P::Website, "Generate multi-page results index (recommended)",
                     "Setup Website: Multi-page index", SF_MULTI_PAGE_INDEX, QM_MEMBER(website.multiPageIndex)));
    t.push_back(Flag(F::LinkPdfHandRecords, P::Website, "Provide link to PDF hand records on index page",
                     "Setup Website: Link PDF hand records", SF_LINK_PDF_HAND_RECORDS,
                     QM_MEMBER(website.linkPdfHandRecords)));
    t.push_back(Flag(F::LinkHandRecords, P::Website,
                     "Provide link to computer hand records on index page (See Caution in Help)",
                     "Setup Website: Link computer hand records", SF_LINK_HAND_RECORDS,
                     QM_MEMBER(website.linkHandRecords)));
    t.push_back(Flag(F::RebuildIndexFromWebsite, P::Website, "Rebuild index from website after every posting",
                     "Setup Website: Rebuild index from website after every posting", SF_REBUILD_INDEX_FROM_WEBSITE,
                     QM_MEMBER(website.rebuildIndexFromWebsite)));

    // FTP page.
    t.push_back(Text(F::Server, P::Ftp, "Server:", "Setup FTP: FTP Server", 5, QM_MEMBER(m_Ftp.m_strServer),
                     QM_MEMBER(ftp.server)));
    // Follows the server: set when the server is the BridgeWebs service.
    t.push_back(Flag(F::BridgeWebs, P::Ftp, "", "Setup FTP: (BridgeWebs?)", SF_BRIDGEWEBS, std::nullopt));
    t.push_back(Text(F::User, P::Ftp, "User:", "Setup FTP: FTP User", 5, QM_MEMBER(m_Ftp.m_strUser),
                     QM_MEMBER(ftp.user)));
    t.push_back(Special(F::Password, P::Ftp, "Password:", "Setup FTP: FTP Password", 0));
    t.push_back(Text(F::Directory, P::Ftp, "Directory (see Help):", "Setup FTP: Directory", 5,
                     QM_MEMBER(m_Ftp.m_strDirectory), QM_MEMBER(ftp.directory)));
    const char* const port = "Port Number:";
    const char* const parameters = "Additional Parameters:";
    t.push_back(PerProtocol(F::Port, 0, port, "Setup FTP: Port Number (FTP)", QM_MEMBER(m_Ftp.m_strPort[0]),
                            QM_MEMBER(ftp.port[0]), kDefaultPorts[0]));
    t.push_back(PerProtocol(F::Parameters, 0, parameters, "Setup FTP: Additional Parameters (FTP)",
                            QM_MEMBER(m_Ftp.m_strParameters[0]), QM_MEMBER(ftp.parameters[0])));
    t.push_back(PerProtocol(F::Port, 1, port, "Setup FTP: Port Number (FTPS)", QM_MEMBER(m_Ftp.m_strPort[1]),
                            QM_MEMBER(ftp.port[1]), kDefaultPorts[1]));
    t.push_back(PerProtocol(F::Parameters, 1, parameters, "Setup FTP: Additional Parameters (FTPS)",
                            QM_MEMBER(m_Ftp.m_strParameters[1]), QM_MEMBER(ftp.parameters[1])));
    t.push_back(PerProtocol(F::Port, 2, port, "Setup FTP: Port Number (SFTP)", QM_MEMBER(m_Ftp.m_strPort[2]),
                            QM_MEMBER(ftp.port[2]), kDefaultPorts[2]));
    t.push_back(PerProtocol(F::Parameters, 2, parameters, "Setup FTP: Additional Parameters (SFTP)",
                            QM_MEMBER(m_Ftp.m_strParameters[2]), QM_MEMBER(ftp.parameters[2])));
    t.push_back(Flag(F::Passive, P::Ftp, "FTP passive mode (recommended)", "Setup FTP: Passive FTP", SF_ACTIVE_FTP,
                     QM_MEMBER(ftp.passive), true));
    t.push_back(Row(F::Protocol, P::Ftp, "Protocol:", "Setup FTP: Protocol", 12,
                    SetupNumber{QM_MEMBER(m_Ftp.m_nProtocol), QM_MEMBER(ftp.protocol)}));
    t.push_back(Flag(F::UploadToSubdirectories, P::Ftp, "Upload to subdirectories (recommended)",
                     "Setup FTP: Upload to subdirectories", SF_UPLOAD_TO_SUBDIRECTORIES,
                     QM_MEMBER(ftp.uploadToSubdirectories)));
    t.push_back(Flag(F::AlertNoBws, P::Ftp, "Alert if BWS file not found (BridgeWebs only)", "Setup FTP: Alert No BWS",
                     SF_ALERT_NO_BWS, QM_MEMBER(ftp.alertNoBws)));

    // Kept in the setup file only.
    t.push_back(Special(F::HandRecordFolders, P::None, "", "", 5));
    t.push_back(Special(F::HandRecordFilterIndex, P::None, "", "", 8));
    t.push_back(Kept(Row(F::LastPublishIndex, P::None, "", "", 10,
                         SetupTime{QM_MEMBER(m_tLastPublishIndex), std::nullopt, ""})));
    t.push_back(Kept(Row(F::StagingFolder, P::None, "", "", 10, SetupText{QM_MEMBER(m_strStagingFolder), std::nullopt})));
    t.push_back(Special(F::OptionFlags, P::None, "", "", 8));
    t.push_back(Special(F::PasswordProtected, P::None, "", "", 0));
    t.push_back(Special(F::ProtectedPassword, P::None, "", "", 0));
    return t;
}

#undef QM_MEMBER

std::string FormatSetupTime(int64_t time, const char* pattern)
{
    try {
        return FormatDate(time, pattern);
    } catch (...) {
        return std::to_string(time);
    }
}

bool FlagState(const SetupFlag& flag, const CSetupData& setup)
{
    return ((setup.GetFlags() & flag.bit) != 0) != flag.inverted;
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

const std::vector<SetupStreamField>& SetupStreamOrder()
{
    static const std::vector<SetupStreamField> order{
        {F::ScoreFileDirectory, -1}, {F::PostFilesModifiedAfter, -1},
        {F::HandRecordFolders, -1}, {F::HandRecordFilterIndex, -1},
        {F::HtmlLayout, -1}, {F::PdfLayout, -1},
        {F::LastPublishIndex, -1}, {F::StagingFolder, -1},
        {F::WebsiteUrl, -1}, {F::IndexTemplate, -1}, {F::IndexFile, -1},
        {F::OldestToIndex, -1}, {F::DaysToIndex, -1},
        {F::WebsiteScoreFileDirectory, -1}, {F::ScoreFileTemplate, -1},
        {F::Server, -1}, {F::User, -1}, {F::Directory, -1},
        {F::Protocol, -1},
        {F::Port, 0}, {F::Port, 1}, {F::Port, 2},
        {F::Parameters, 0}, {F::Parameters, 1}, {F::Parameters, 2},
        {F::OptionFlags, -1}, {F::PasswordProtected, -1}, {F::ProtectedPassword, -1},
    };
    return order;
}

const std::vector<SetupSection>& SetupPageLayout(SetupPage page)
{
    static const std::vector<SetupSection> computer{
        {"", {F::ScoreFileDirectory, F::PostFilesModifiedAfter, F::HtmlLayout, F::PdfLayout, F::AutoFillHandRecord,
              F::AlertHandRecordNotFilled, F::UseCheckScoreData, F::AlertCheckScoreData}},
    };
    static const std::vector<SetupSection> website{
        {"", {F::WebsiteUrl, F::IndexTemplate, F::OldestToIndex, F::IndexFile, F::DaysToIndex,
              F::WebsiteScoreFileDirectory, F::ScoreFileTemplate, F::MultiPageIndex, F::LinkPdfHandRecords,
              F::LinkHandRecords, F::RebuildIndexFromWebsite}},
    };
    static const std::vector<SetupSection> ftp{
        {"General", {F::Server, F::User, F::Password, F::Directory}},
        {"Advanced", {F::Protocol, F::Port, F::Parameters, F::Passive, F::UploadToSubdirectories, F::AlertNoBws}},
    };
    static const std::vector<SetupSection> none;
    switch (page) {
    case P::Computer: return computer;
    case P::Website: return website;
    case P::Ftp: return ftp;
    case P::None: break;
    }
    return none;
}

void SetSetupDefaults(CSetupData& setup, int64_t lowestDate, bool passwordProtected)
{
    for (const SetupFieldRow& row : SetupFieldTable()) {
        if (row.keptOnReset)
            continue;
        std::visit(CEachKind{
                       [&](const SetupText& v) { v.record(setup) = v.defaultText; },
                       [&](const SetupTime& v) { v.record(setup) = v.lowestDateDefault ? lowestDate : 0; },
                       [&](const SetupNumber& v) { v.record(setup) = 0; },
                       [](const SetupFlag&) {},  // the whole word is cleared below
                       [](const SetupSpecial&) {},
                   },
                   row.value);
    }
    setup.m_HandRecordFolders.RemoveAll();
    setup.m_nHandRecordFilterIndex = 0;
    setup.SetFlags(0);
    setup.m_bPasswordProtected = passwordProtected ? 1 : 0;
    WipeVector(setup.m_ProtectedPassword);
}

void CopySetupToSheet(const CSetupData& setup, SetupSheetValues& values)
{
    for (const SetupFieldRow& row : SetupFieldTable()) {
        std::visit(CEachKind{
                       [&](const SetupText& v) {
                           if (v.sheet)
                               (*v.sheet)(values) = v.record(setup);
                       },
                       [&](const SetupTime& v) {
                           if (v.sheet)
                               (*v.sheet)(values) = v.record(setup);
                       },
                       [&](const SetupNumber& v) { v.sheet(values) = v.record(setup); },
                       [&](const SetupFlag& v) {
                           if (v.sheet)
                               (*v.sheet)(values) = FlagState(v, setup);
                       },
                       [](const SetupSpecial&) {},
                   },
                   row.value);
    }
}

bool SheetValueDiffers(const SetupFieldRow& row, const CSetupData& setup, const SetupSheetValues& values)
{
    return std::visit(CEachKind{
                          [&](const SetupText& v) { return v.sheet && v.record(setup) != (*v.sheet)(values); },
                          [&](const SetupTime& v) { return v.sheet && v.record(setup) != (*v.sheet)(values); },
                          [&](const SetupNumber& v) { return v.record(setup) != v.sheet(values); },
                          [&](const SetupFlag& v) { return v.sheet && FlagState(v, setup) != (*v.sheet)(values); },
                          [](const SetupSpecial&) { return false; },
                      },
                      row.value);
}

std::string SetupValueText(const SetupFieldRow& row, const CSetupData& setup)
{
    return std::visit(CEachKind{
                          [&](const SetupText& v) { return v.record(setup); },
                          [&](const SetupTime& v) { return FormatSetupTime(v.record(setup), v.pattern); },
                          [&](const SetupNumber& v) {
                              const int32_t n = v.record(setup);
                              return row.field == F::Protocol ? std::string(GetProtocolName(n)) : std::to_string(n);
                          },
                          [&](const SetupFlag& v) { return std::string(FlagState(v, setup) ? "1" : "0"); },
                          [](const SetupSpecial&) { return std::string(); },
                      },
                      row.value);
}

void StoreSheetValue(const SetupFieldRow& row, CSetupData& setup, const SetupSheetValues& values)
{
    std::visit(CEachKind{
                   [&](const SetupText& v) {
                       if (v.sheet)
                           v.record(setup) = (*v.sheet)(values);
                   },
                   [&](const SetupTime& v) {
                       if (v.sheet)
                           v.record(setup) = (*v.sheet)(values);
                   },
                   [&](const SetupNumber& v) { v.record(setup) = v.sheet(values); },
                   [&](const SetupFlag& v) {
                       if (!v.sheet)
                           return;
                       if ((*v.sheet)(values) != v.inverted)
                           setup.SetFlags(setup.GetFlags() | v.bit);
                       else
                           setup.SetFlags(setup.GetFlags() & ~v.bit);
                   },
                   [](const SetupSpecial&) {},
               },
               row.value);
}
