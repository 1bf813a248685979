// The setup fields: one row per setting of the setup record, with its label
// on its Setup page, its item in the Setup command's change log, the
// setup-file schema that brought it, its default and where it lives in the
// record and in the Setup sheet's values. The defaults, the copies between
// record and sheet, the Setup pages' fields, the change log and the setup
// file's field list all come from here, so a new setting is one new row
// (and, where the file format needs it, a line in the stream reader).
#pragma once

#include <cstdint>
#include <string>
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

enum class SetupValueKind {
    Text,      // a string
    Time,      // seconds since 1970
    Number,    // a signed 32-bit number
    Flag,      // one bit of the option word
    Special,   // read, written and logged by code of its own
};

struct SetupFieldRow {
    SetupField field;
    int protocol;  // Port and Parameters: 0 FTP, 1 FTPS, 2 SFTP; else -1
    SetupPage page;
    SetupValueKind kind;
    const char* label;        // the field's label on its page ("" not shown as a labelled field)
    const char* logItem;      // the change log's item ("Setup Website: Index Filename"); "" not logged
    uint32_t schema;          // the first setup-file schema that holds it
    const char* defaultText;  // Text: the value of a new setup
    bool keptOnReset;         // a new setup keeps the value in use
    const char* timePattern;  // Time: how the change log shows it
    uint32_t flag;            // Flag: its bit
    bool inverted;            // Flag: the page shows the opposite of the bit
    std::string& (*text)(CSetupData&);
    std::string& (*sheetText)(SetupSheetValues&);
    int64_t& (*time)(CSetupData&);
    int64_t& (*sheetTime)(SetupSheetValues&);
    int32_t& (*number)(CSetupData&);
    int32_t& (*sheetNumber)(SetupSheetValues&);
    bool& (*sheetFlag)(SetupSheetValues&);
};

// Every row, in the order of the pages and of the change log.
const std::vector<SetupFieldRow>& SetupFieldTable();
// The row of a field; for Port and Parameters, that protocol's row (the
// first with protocol -1).
const SetupFieldRow& SetupFieldOf(SetupField field, int protocol = -1);

// The record's fields back to the values of a new setup (those a new setup
// keeps aside). lowestDate is the earliest Oldest To Index;
// passwordProtected the form a new password will be stored in.
void SetSetupDefaults(CSetupData& setup, int64_t lowestDate, bool passwordProtected);
// Record to sheet, and the sheet's value of a row back to the record.
void CopySetupToSheet(const CSetupData& setup, SetupSheetValues& values);
// Whether the sheet's value of the row differs from the record's.
bool SheetValueDiffers(const SetupFieldRow& row, const CSetupData& setup, const SetupSheetValues& values);
// The record's value of a row as the change log shows it.
std::string SetupValueText(const SetupFieldRow& row, const CSetupData& setup);
// Stores the sheet's value of a row in the record.
void StoreSheetValue(const SetupFieldRow& row, CSetupData& setup, const SetupSheetValues& values);
