// The generator of the local index pages: it copies the index template
// into each page and writes the generated block after the index marker.
// A single-page index lists every entry on one page; a multi-page index has
// a main page with the last eight days, one page per month and a page that
// lists the months by year.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "posting/index_data.h"
#include "transfer/url_string.h"

class CQuillmarkApp;
class CPageFile;

// A base URL with a relative path appended (CUrlString::AppendPath).
inline std::string JoinUrl(const std::string& base, const std::string& path)
{
    CUrlString url(base);
    url.AppendPath(path);
    return url.GetString();
}

// One row of the index, formed from an index entry.
struct CIndexRow {
    int64_t sessionDate = 0;      // local midnight of the session
    std::string dateText;         // "March 5, 2024" or the DATE text
    std::string sessionText;      // "Tuesday Evening"
    std::string section;
    std::string name;             // the event, else the page's file name
    std::string pagePath;         // below the website's score-file folder
    std::string pdfPath;          // empty: no PDF link
    std::string handRecordPath;   // empty: no hand-record link
};

// What a build needs besides the rows.
struct CIndexLayout {
    std::string indexFile;        // Index Filename: the main page
    std::string templateName;     // Index Template Filename (for messages)
    std::string linkBase;         // Website URL joined with the score-file folder
    std::string stagingFolder;
    bool multiPage = false;
    // The row's last cell: written when either kind of link is configured.
    bool linkCell = false;
};

// How an indexing went; a posting run reports it with its word.
enum class IndexResult { None, NotAttempted, Failed, Cancelled, Succeeded };
// "", "not attempted", "failed", "canceled", "succeeded".
const char* GetIndexResultWord(IndexResult result);

// The template split once at its index marker: what comes before the
// generated block and what follows it, line ends already CR LF.
struct CIndexTemplate {
    bool hasMarker = false;
    std::string head;   // up to and including the index-marker line
    std::string tail;   // from the end marker (or a new one) to the end

    // template text: UTF-8, the copy ends at its first NUL byte.
    explicit CIndexTemplate(const std::string& text);
};

class CIndexPageBuilder {
public:
    // rows: the entries to list, sorted newest first.
    CIndexPageBuilder(CQuillmarkApp& app, const CIndexLayout& layout, const std::vector<CIndexRow>& rows,
                      const std::unordered_set<uint32_t>& changedMonths, bool allPages);

    // Writes the pages into the staging folder and lists them in pages
    // (the pages begun so far when it fails or is cancelled). Returns
    // Succeeded, Cancelled or Failed (the user has been told).
    IndexResult Build(const std::string& templateText, std::vector<CIndexPage>& pages);

    // Deletes the pages of an earlier build: files in the staging folder
    // named like the index file with anything before its extension.
    static void DeleteOldPages(const std::string& stagingFolder, const std::string& indexFile);

    // The month links of pages [first, end) of one year, oldest month first.
    static void WriteMonthLinks(std::string& out, const std::vector<CIndexPage>& pages, size_t first,
                                size_t end, bool moreYears);

private:
    struct RowDate {
        int year = 0, month = 0;
        int64_t day = 0;
    };
    void WriteBlock(std::string& out, const std::vector<CIndexPage>& pages);
    void WriteRows(std::string& out, size_t first, size_t end);
    void WriteMonthList(std::string& out, const std::vector<CIndexPage>& pages);
    size_t EndOfMonth(size_t from) const;

    CQuillmarkApp& m_app;
    const CIndexLayout& m_layout;
    const std::vector<CIndexRow>& m_rows;
    std::vector<RowDate> m_dates;
    const std::unordered_set<uint32_t>& m_changed;
    bool m_bAllPages;
    size_t m_cursor = 0;
    bool m_bEnding = false;
};
