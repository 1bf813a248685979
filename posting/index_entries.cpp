#include "posting/index_entries.h"

#include <algorithm>

#include "platform/date_helpers.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "posting/score_file.h"

namespace {

// The sort key of the index entries (NewerFirst), taken once per entry.
struct EntryKey {
    int64_t date;
    int timeIndex;
    std::string section;  // lower case
    CScoreFile* entry;
};

EntryKey KeyOf(CScoreFile* entry)
{
    return {entry->GetSessionDate(), entry->GetSessionTimeIndex(), ToLowerAscii(entry->GetSection()), entry};
}

// Newest first: session date, then session time (late before morning);
// on a tie the section letters in ascending order, ignoring case.
bool NewerFirst(const EntryKey& a, const EntryKey& b)
{
    if (a.date != b.date)
        return a.date > b.date;
    if (a.timeIndex != b.timeIndex)
        return a.timeIndex > b.timeIndex;
    return a.section < b.section;
}

}  // namespace

std::string FormatLongDate(int64_t time)
{
    int year = 0, month = 0, day = 0;
    if (!LocalDateOf(time, year, month, day))
        return {};
    return StrFormat("%s %d, %d", CScoreFile::kMonthNames[month - 1], day, year);
}

CIndexRow MakeIndexRow(const CScoreFile& entry, bool linkPdf, bool linkHandRecords)
{
    CIndexRow row;
    row.sessionDate = entry.GetSessionDate();
    const std::string& event = entry.GetDescriptor(SFD_EVENT);
    row.name = event.empty() ? GetFileNameOnly(entry.GetPath()) : event;
    const std::string& date = entry.GetDescriptor(SFD_DATE);
    row.dateText = date.empty() ? FormatLongDate(row.sessionDate) : date;
    row.sessionText = entry.GetSessionText(true);
    row.section = entry.GetSection();
    row.pagePath = entry.GetPath();
    if (linkPdf && entry.IsPdfHandRecordUploaded())
        row.pdfPath = entry.GetWebNameWithExtension(".pdf");
    if (linkHandRecords && entry.IsComputerHandRecordUploaded())
        row.handRecordPath = entry.GetHandRecordWebName();
    return row;
}

void CQuillmarkApp::SelectIndexEntries(std::vector<CScoreFile*>& entries, bool includeHidden)
{
    int64_t threshold = m_Setup.m_tOldestToIndex;
    if (m_Setup.m_nDaysToIndex != 0) {
        const int64_t recent = Now() - static_cast<int64_t>(m_Setup.m_nDaysToIndex) * 24 * 3600;
        if (recent > threshold)
            threshold = recent;
    }
    std::vector<EntryKey> keys;
    keys.reserve(static_cast<size_t>(m_IndexEntries.GetCount()));
    for (int64_t i = 0; i < m_IndexEntries.GetCount(); ++i) {
        CScoreFile& entry = m_IndexEntries[i];
        const int64_t date = entry.GetSessionDate();
        int year = 0, month = 0, day = 0;
        if (!LocalDateOf(date, year, month, day) || year < 1971 || year > 2999 || date < threshold)
            continue;
        if (!includeHidden && entry.IsHidden())
            continue;
        keys.push_back(KeyOf(&entry));
    }
    std::stable_sort(keys.begin(), keys.end(), NewerFirst);
    entries.clear();
    entries.reserve(keys.size());
    for (const EntryKey& k : keys)
        entries.push_back(k.entry);
}

void CQuillmarkApp::MarkMonthChanged(const CScoreFile* file)
{
    if (file)
        m_IndexPages.m_ChangedMonths.insert(GetMonthKey(file->GetSessionDate()));
}

IndexResult CQuillmarkApp::BuildLocalIndexPages(bool allPages, const std::string& templateText)
{
    // Whatever was built before is no longer what the staging folder holds.
    m_IndexPages.Invalidate();
    m_IndexPages.m_Pages.clear();

    CIndexLayout layout;
    try {
        layout.stagingFolder = GetStagingFolder();
    } catch (const CUserException&) {
        return IndexResult::Failed;
    }
    const uint32_t flags = m_Setup.GetFlags();
    const bool linkPdf = (flags & SF_LINK_PDF_HAND_RECORDS) != 0;
    const bool linkHand = (flags & SF_LINK_HAND_RECORDS) != 0;
    layout.indexFile = m_Setup.m_strIndexFile;
    layout.templateName = m_Setup.m_strIndexTemplate;
    layout.linkBase = JoinUrl(m_Setup.m_strWebsiteUrl, m_Setup.m_strWebsiteScoreFileDirectory);
    layout.multiPage = (flags & SF_MULTI_PAGE_INDEX) != 0;
    layout.linkCell = linkPdf || linkHand;

    std::vector<CScoreFile*> entries;
    SelectIndexEntries(entries, false);
    std::vector<CIndexRow> rows;
    rows.reserve(entries.size());
    for (const CScoreFile* entry : entries)
        rows.push_back(MakeIndexRow(*entry, linkPdf, linkHand));

    CIndexPageBuilder builder(*this, layout, rows, m_IndexPages.m_ChangedMonths, allPages);
    const IndexResult result = builder.Build(templateText, m_IndexPages.m_Pages);
    m_IndexPages.m_bPagesReady = result == IndexResult::Succeeded;
    return result;
}
