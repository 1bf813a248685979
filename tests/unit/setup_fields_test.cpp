#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>

#include "app/setup_fields.h"

namespace {

using FieldKey = std::pair<SetupField, int>;

bool HasRecordMember(const SetupFieldRow& row)
{
    return std::visit(CEachKind{
                          [](const SetupText&) { return true; },
                          [](const SetupTime&) { return true; },
                          [](const SetupNumber&) { return true; },
                          [](const SetupFlag&) { return false; },
                          [](const SetupSpecial&) { return false; },
                      },
                      row.value);
}

}  // namespace

// A setting's row, its place in the setup file and its place on a page must
// agree: a row whose value the file does not hold is lost at the next start,
// and a row on a page without a place there cannot be edited.
TEST(SetupFieldTable, EveryStoredRowHasOnePlaceInTheFileAndEveryShownRowOneOnItsPage)
{
    std::map<FieldKey, int> inFile;
    for (const SetupStreamField& f : SetupStreamOrder()) {
        EXPECT_NO_THROW(SetupFieldOf(f.field, f.protocol));
        ++inFile[{f.field, f.protocol}];
    }
    std::map<SetupField, SetupPage> placed;
    for (SetupPage page : {SetupPage::Computer, SetupPage::Website, SetupPage::Ftp}) {
        for (const SetupSection& section : SetupPageLayout(page)) {
            for (SetupField field : section.fields) {
                EXPECT_TRUE(placed.emplace(field, page).second) << SetupFieldOf(field).label << " placed twice";
                EXPECT_EQ(SetupFieldOf(field).page, page) << SetupFieldOf(field).label;
            }
        }
    }
    std::set<uint32_t> bits;
    for (const SetupFieldRow& row : SetupFieldTable()) {
        const std::string name = *row.logItem ? row.logItem : row.label;
        if (HasRecordMember(row) || std::holds_alternative<SetupSpecial>(row.value)) {
            // The password is stored in its protected form, a row of its own.
            const int expected = row.field == SetupField::Password ? 0 : 1;
            const int places = inFile[FieldKey(row.field, row.protocol)];
            EXPECT_EQ(places, expected) << name;
        }
        if (const auto* flag = std::get_if<SetupFlag>(&row.value)) {
            EXPECT_TRUE(bits.insert(flag->bit).second) << name << " shares its bit";
        }
        // The BridgeWebs bit follows the server name and is not shown.
        if (row.page != SetupPage::None && row.field != SetupField::BridgeWebs) {
            EXPECT_EQ(placed.count(row.field), 1u) << name << " has no place on its page";
        }
    }
}

// Each row reaches one member of the record and the matching member of the
// sheet: a value given to every sheet member, stored and copied back,
// returns unchanged and leaves no row differing; a row pointing at another
// setting's member would overwrite it and fail here.
TEST(SetupFieldTable, EachRowCarriesItsOwnValueBetweenSheetAndRecord)
{
    SetupSheetValues sheet;
    int n = 0;
    for (const SetupFieldRow& row : SetupFieldTable()) {
        ++n;
        std::visit(CEachKind{
                       [&](const SetupText& v) {
                           if (v.sheet)
                               (*v.sheet)(sheet) = "value " + std::to_string(n);
                       },
                       [&](const SetupTime& v) {
                           if (v.sheet)
                               (*v.sheet)(sheet) = 86400 * 365 + n;
                       },
                       [&](const SetupNumber& v) { v.sheet(sheet) = n % 3; },
                       [&](const SetupFlag& v) {
                           if (v.sheet)
                               (*v.sheet)(sheet) = !v.inverted;
                       },
                       [](const SetupSpecial&) {},
                   },
                   row.value);
    }
    const SetupSheetValues given = sheet;
    CSetupData setup;
    for (const SetupFieldRow& row : SetupFieldTable())
        StoreSheetValue(row, setup, given);
    for (const SetupFieldRow& row : SetupFieldTable())
        EXPECT_FALSE(SheetValueDiffers(row, setup, given)) << row.label;
    // Every bit with a check box set; the BridgeWebs bit follows the server.
    EXPECT_EQ(setup.GetFlags(), 0x1F7Eu);

    SetupSheetValues back;
    CopySetupToSheet(setup, back);
    EXPECT_EQ(back.computer.htmlLayout, given.computer.htmlLayout);
    EXPECT_EQ(back.website.oldestToIndex, given.website.oldestToIndex);
    EXPECT_EQ(back.website.daysToIndex, given.website.daysToIndex);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(back.ftp.port[p], given.ftp.port[p]);
        EXPECT_EQ(back.ftp.parameters[p], given.ftp.parameters[p]);
    }
    for (const SetupFieldRow& row : SetupFieldTable())
        EXPECT_FALSE(SheetValueDiffers(row, setup, back)) << row.label;
}
