// The setup fields: one row per setting of the setup record, with its label
// on its Setup page, its item in the Setup command's change log, the
// setup-file schema that brought it, its default, and where its value lives
// in the record and in the Setup sheet's values. The defaults, the copies
// between record and sheet, the Setup pages' controls, the change log and
// the setup file all come from here. A new setting is its record member,
// its row, and its place on a page (and in the setup file's order when it
// is stored).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "app/prompter.h"
#include "app/setup_data.h"

// The settings by name. Port and Parameters have one row per protocol.
enum class SetupField {
    None,
    // Computer page
    ScoreFileDirectory, PostFilesModifiedAfter, HtmlLayout, PdfLayout,
    AutoFillHandRecord, AlertHandRecordNotFilled, UseCheckScoreData, AlertCheckScoreData,
    // Website page
    WebsiteUrl, IndexTemplate, IndexFile, OldestToIndex, DaysToIndex, WebsiteScoreFileDirectory,
    ScoreFileTemplate, MultiPageIndex, LinkPdfHandRecords, LinkHandRecords, RebuildIndexFromWebsite,
    // FTP page
    Server, BridgeWebs, User, Password, Directory, Port, Parameters, Passive, Protocol,
    UploadToSubdirectories, AlertNoBws,
    // Kept in the setup file, not shown in Setup
    HandRecordFolders, HandRecordFilterIndex, LastPublishIndex, StagingFolder, OptionFlags,
    PasswordProtected, ProtectedPassword,
};

enum class SetupPage { Computer, Website, Ftp, None };

// One member of a record (the setup record or the sheet's values), reached
// writable through a writable record and read-only through a read-only one.
// Made from a lambda without captures that names the member for both:
// [](auto& r) -> decltype(auto) { return (r.m_strHtmlLayout); }.
template <class Record, class T>
class CFieldAccess {
public:
    template <class F, class = std::enable_if_t<std::is_convertible_v<F, T& (*)(Record&)>>>
    CFieldAccess(F member) : m_write(member), m_read(member)
    {
    }
    T& operator()(Record& record) const { return m_write(record); }
    const T& operator()(const Record& record) const { return m_read(record); }

private:
    T& (*m_write)(Record&);
    const T& (*m_read)(const Record&);
};
template <class T>
using RecordMember = CFieldAccess<CSetupData, T>;
template <class T>
using SheetMember = CFieldAccess<SetupSheetValues, T>;

// What a row's value is; the kinds are types, so every use handles each.
// A value without a sheet member is kept in the setup file only.
struct SetupText {
    RecordMember<std::string> record;
    std::optional<SheetMember<std::string>> sheet;
    const char* defaultText = "";  // the value of a new setup
};
struct SetupTime {
    RecordMember<int64_t> record;
    std::optional<SheetMember<int64_t>> sheet;
    const char* pattern;             // how the change log shows it
    bool lowestDateDefault = false;  // a new setup: the lowest date, else 0
};
struct SetupNumber {
    RecordMember<int32_t> record;
    SheetMember<int32_t> sheet;
};
struct SetupFlag {
    uint32_t bit;
    bool inverted;  // the page shows the opposite of the bit
    std::optional<SheetMember<bool>> sheet;
};
struct SetupSpecial {};  // read, written, shown and logged by code of its own
using SetupValue = std::variant<SetupText, SetupTime, SetupNumber, SetupFlag, SetupSpecial>;

// One handler per kind of value, for std::visit over a SetupValue: a kind
// left out does not compile.
template <class... Handlers>
struct CEachKind : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers>
CEachKind(Handlers...) -> CEachKind<Handlers...>;

struct SetupFieldRow {
    SetupField field;
    int protocol;  // Port and Parameters: 0 FTP, 1 FTPS, 2 SFTP; else -1
    SetupPage page;
    const char* label;    // the field's label on its page ("" not shown as a labelled field)
    const char* logItem;  // the change log's item ("Setup Website: Index Filename"); "" not logged
    uint32_t schema;      // the first setup-file schema that holds it
    bool keptOnReset;     // a new setup keeps the value in use
    SetupValue value;
};

// Every row, in the order of the pages and of the change log.
const std::vector<SetupFieldRow>& SetupFieldTable();
// The row of a field; for Port and Parameters, that protocol's row (the
// first with protocol -1).
const SetupFieldRow& SetupFieldOf(SetupField field, int protocol = -1);

// The setup file's fields (schema 5 and later) in the order it holds them.
struct SetupStreamField {
    SetupField field;
    int protocol;
};
const std::vector<SetupStreamField>& SetupStreamOrder();

// Where fields stand on a Setup page: sections top to bottom, each with an
// optional group caption; in a section the labelled fields come first, in
// this order, then its check boxes. Port and Parameters stand once, for the
// chosen protocol.
struct SetupSection {
    const char* caption;  // "" no group box
    std::vector<SetupField> fields;
};
const std::vector<SetupSection>& SetupPageLayout(SetupPage page);

// The record's fields back to the values of a new setup (those a new setup
// keeps aside). lowestDate is the earliest Oldest To Index;
// passwordProtected the form a new password will be stored in.
void SetSetupDefaults(CSetupData& setup, int64_t lowestDate, bool passwordProtected);
// Record to sheet.
void CopySetupToSheet(const CSetupData& setup, SetupSheetValues& values);
// Whether the sheet's value of the row differs from the record's.
bool SheetValueDiffers(const SetupFieldRow& row, const CSetupData& setup, const SetupSheetValues& values);
// The record's value of a row as the change log shows it.
std::string SetupValueText(const SetupFieldRow& row, const CSetupData& setup);
// Stores the sheet's value of a row in the record.
void StoreSheetValue(const SetupFieldRow& row, CSetupData& setup, const SetupSheetValues& values);
