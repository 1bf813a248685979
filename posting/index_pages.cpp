#include "posting/index_pages.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/date_helpers.h"
#include "app/error_report.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/line_splitter.h"
#include "platform/text_helpers.h"
#include "platform/exceptions.h"
#include "posting/html_links.h"
#include "posting/page_file.h"
#include "posting/page_markers.h"

namespace {

const char* const kOpenOperation = "CQuillmarkApp::BuildLocalIndexPages: CStdioFile::Open";
const char* const kWriteOperation = "CQuillmarkApp::BuildLocalIndexPages: write";
// Rows of the main page of a multi-page index: the last eight days.
const int64_t kMainPageDays = 8;

const char* const kMonthAbbreviations[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void AppendLine(std::string& out, std::string_view line)
{
    out.append(line);
    out += "\r\n";
}

}  // namespace

const char* GetIndexResultWord(IndexResult result)
{
    switch (result) {
    case IndexResult::NotAttempted: return "not attempted";
    case IndexResult::Failed: return "failed";
    case IndexResult::Cancelled: return "canceled";
    case IndexResult::Succeeded: return "succeeded";
    default: return "";
    }
}

CIndexTemplate::CIndexTemplate(const std::string& text)
{
    // The template is text: a NUL byte ends it.
    CLineSplitter lines(TextBeforeNul(text), LineEnds::CrOrLf);
    std::string_view line;
    while (lines.Next(line)) {
        AppendLine(head, line);
        if (IsMarkerLine(line, kIndexMarker)) {
            hasMarker = true;
            break;
        }
    }
    if (!hasMarker)
        return;
    // The previous block runs to the first end marker anywhere in the rest
    // of the text; the marker and the rest of its line stay.
    const size_t end = lines.Rest().find(kIndexEndMarker);
    if (end != std::string_view::npos) {
        lines.SeekTo(lines.Position() + end);
    } else {
        AppendLine(tail, kIndexEndMarker);
    }
    while (lines.Next(line))
        AppendLine(tail, line);
}

CIndexPageBuilder::CIndexPageBuilder(CQuillmarkApp& app, const CIndexLayout& layout,
                                     const std::vector<CIndexRow>& rows,
                                     const std::unordered_set<uint32_t>& changedMonths, bool allPages)
    : m_app(app), m_layout(layout), m_rows(rows), m_changed(changedMonths), m_bAllPages(allPages)
{
    // The callers pass rows whose dates have a local form (year 1971-2999).
    m_dates.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        RowDate& d = m_dates[i];
        int day = 1;
        LocalDateOf(rows[i].sessionDate, d.year, d.month, day);
        d.day = DayNumberOf(d.year, d.month, day);
    }
}

void CIndexPageBuilder::DeleteOldPages(const std::string& stagingFolder, const std::string& indexFile)
{
    // Only files of the staging folder itself, and only for an index file
    // name that stays in it.
    if (!IsPlainFileName(indexFile))
        return;
    const std::string stem = RemoveExtension(indexFile);
    const std::string ext = GetExtension(indexFile);
    DIR* dir = ::opendir(stagingFolder.c_str());
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() < stem.size() + ext.size() || !StartsWithNoCase(name, stem) || !EndsWithNoCase(name, ext))
            continue;
        std::string path;
        if (!JoinInside(stagingFolder, name, path))
            continue;
        // A link is removed, never followed.
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

size_t CIndexPageBuilder::EndOfMonth(size_t from) const
{
    size_t i = from;
    while (i < m_rows.size() && m_dates[i].year == m_dates[from].year && m_dates[i].month == m_dates[from].month)
        ++i;
    return i;
}

IndexResult CIndexPageBuilder::Build(const std::string& templateText, std::vector<CIndexPage>& pages)
{
    const char* plural = m_layout.multiPage ? "s" : "";
    m_app.SetStatusText(StrFormat("Creating local index page%s", plural), 2);
    const CIndexTemplate tmpl(templateText);
    DeleteOldPages(m_layout.stagingFolder, m_layout.indexFile);

    m_cursor = 0;
    m_bEnding = false;
    std::string block;
    for (size_t p = 0;; ++p) {
        if (m_app.GetCancelState(true) == CS_CANCELLED)
            return IndexResult::Cancelled;
        CIndexPage page;
        if (p == 0) {
            page.m_strFileName = m_layout.indexFile;
        } else if (m_cursor >= m_rows.size()) {
            page.m_strFileName = MonthListFileName(m_layout.indexFile);
        } else {
            page.m_nYear = m_dates[m_cursor].year;
            page.m_nMonth = m_dates[m_cursor].month;
            page.m_strFileName = MonthPageFileName(m_layout.indexFile, page.m_nYear, page.m_nMonth);
        }
        pages.push_back(page);
        if (m_layout.multiPage && !m_bAllPages && page.IsMonthPage() &&
            !m_changed.count(MakeMonthKey(page.m_nYear, page.m_nMonth))) {
            m_cursor = EndOfMonth(m_cursor);
            continue;
        }

        std::string path;
        CPageFile file;
        if (!JoinInside(m_layout.stagingFolder, page.m_strFileName, path)) {
            ReportException(CFileException(EINVAL, JoinPath(m_layout.stagingFolder, page.m_strFileName)),
                            kOpenOperation);
            return IndexResult::Failed;
        }
        if (!file.Open(path)) {
            ReportException(CFileException(errno, path), kOpenOperation);
            return IndexResult::Failed;
        }
        try {
            file.WriteString(tmpl.head);
            if (!tmpl.hasMarker) {
                file.Close();
                const std::string text = StrFormat(
                    "%s\r\nThe index URL does not contain the required insert marker:\r\n%s\r\n"
                    "(The marker must be on a line by itself.)",
                    m_layout.templateName.c_str(), kIndexMarker);
                if (m_app.GetLog())
                    m_app.GetLog()->WriteBlock(text, "Message Box");
                m_app.Prompter().MessageBox(text, MB_OK | MB_ICONERROR);
                return IndexResult::Failed;
            }
            block.clear();
            WriteBlock(block, pages);
            file.WriteString(block);
            file.WriteString(tmpl.tail);
            file.Close();
        } catch (const CException& e) {
            file.Abort();
            ReportException(e, kWriteOperation);
            return IndexResult::Failed;
        }
        if (m_bEnding)
            break;
    }
    m_app.SetStatusText(StrFormat("Local index page%s created", plural), 2);
    return IndexResult::Succeeded;
}

void CIndexPageBuilder::WriteBlock(std::string& out, const std::vector<CIndexPage>& pages)
{
    const size_t n = m_rows.size();
    out += "<tbody>\n";
    if (m_cursor >= n) {
        WriteMonthList(out, pages);
        m_bEnding = true;
        return;
    }
    if (!m_layout.multiPage) {
        WriteRows(out, m_cursor, n);
        m_cursor = n;
        m_bEnding = true;
    } else if (pages.size() == 1) {
        // Main page: the newest entries, up to the first one a full eight
        // calendar days older than the newest.
        const int64_t newest = m_dates[m_cursor].day;
        size_t cut = m_cursor;
        while (cut < n && newest - m_dates[cut].day < kMainPageDays)
            ++cut;
        WriteRows(out, m_cursor, cut);
        if (cut < n) {
            out += "<tr><td><a href=\"";
            out += LinkAttribute("", MonthListFileName(m_layout.indexFile));
            out += "\"><em>Older results...</em></td></tr>\n";
            m_cursor = 0;
        } else {
            m_cursor = n;
        }
    } else {
        const size_t end = EndOfMonth(m_cursor);
        WriteRows(out, m_cursor, end);
        m_cursor = end;
    }
    out += "</tbody>\n";
}

void CIndexPageBuilder::WriteRows(std::string& out, size_t first, size_t end)
{
    for (size_t i = first; i < end; ++i) {
        const CIndexRow& row = m_rows[i];
        // Rows of one Sunday-to-Saturday week form one group.
        if (i > first && WeekNumberOfDay(m_dates[i].day) != WeekNumberOfDay(m_dates[i - 1].day))
            out += "</tbody><tbody>\n";
        out += "<tr><td>";
        out += PageText(row.dateText);
        out += "</td><td>";
        out += PageText(row.sessionText);
        out += "</td><td>";
        out += PageText(row.section);
        out += "</td><td><a href=\"";
        out += LinkAttribute(m_layout.linkBase, row.pagePath);
        out += "\">";
        out += PageText(row.name);
        out += "</a></td>";
        if (m_layout.linkCell) {
            out += "<td>";
            if (!row.pdfPath.empty()) {
                out += "[<a href=\"";
                out += LinkAttribute(m_layout.linkBase, row.pdfPath);
                out += "\"><small>PDF</small></a>]";
            }
            if (!row.handRecordPath.empty()) {
                if (!row.pdfPath.empty())
                    out += ' ';
                std::string ext = GetExtension(row.handRecordPath);
                if (!ext.empty())
                    ext.erase(0, 1);
                out += "[<a href=\"";
                out += LinkAttribute(m_layout.linkBase, row.handRecordPath);
                out += "\" type=\"application/octet-stream\"><small>";
                out += PageText(ToUpperAscii(ext));
                out += "</small></a>]";
            }
            out += "</td>";
        }
        out += "</tr>\n";
    }
}

void CIndexPageBuilder::WriteMonthList(std::string& out, const std::vector<CIndexPage>& pages)
{
    // Every page between the main page and this one is a month page.
    const size_t current = pages.size() - 1;
    bool open = false;
    int year = 0;
    size_t yearStart = 1;
    for (size_t i = 1; i < current; ++i) {
        if (open && pages[i].m_nYear == year)
            continue;
        if (open)
            WriteMonthLinks(out, pages, yearStart, i, true);
        year = pages[i].m_nYear;
        yearStart = i;
        open = true;
        out += StrFormat("<tr><td>%d</td><td>\n", year);
    }
    if (open)
        WriteMonthLinks(out, pages, yearStart, current, false);
}

void CIndexPageBuilder::WriteMonthLinks(std::string& out, const std::vector<CIndexPage>& pages, size_t first,
                                        size_t end, bool moreYears)
{
    for (size_t i = end; i-- > first;) {
        int month = pages[i].m_nMonth;
        month = month < 1 ? 1 : (month > 12 ? 12 : month);
        out += " <a href=\"";
        out += LinkAttribute("", pages[i].m_strFileName);
        out += "\">";
        out += kMonthAbbreviations[month - 1];
        out += "</a>\n";
    }
    out += "</td></tr>\n</tbody>";
    if (moreYears)
        out += "<tbody>";
    out += "\n";
}
