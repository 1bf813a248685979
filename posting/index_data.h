// The application's index data beside the index entries: the list of local
// index pages made by the last build, the flag that says the build
// completed, and the set of months whose pages must be rebuilt.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

// One local index page. Year and month are 0 for the main page and the
// month-list page.
struct CIndexPage {
    int m_nYear = 0;
    int m_nMonth = 0;
    std::string m_strFileName;

    bool IsMonthPage() const { return m_nYear != 0; }
};

// Page-name suffixes: month pages add "%04d%02d", the month list "ByMonth".
std::string MonthPageFileName(const std::string& indexFile, int year, int month);
std::string MonthListFileName(const std::string& indexFile);

// The key of a month: (month << 16) | (year & 0xFFFF).
uint32_t MakeMonthKey(int year, int month);
// The key of a time's local month; 0 when the time has no local form.
uint32_t GetMonthKey(int64_t time);

// Calendar weeks run Sunday to Saturday; this numbers them from the week
// that holds 1 January 1970, given a day number (DayNumberOf).
int64_t WeekNumberOfDay(int64_t dayNumber);

class CIndexPages {
public:
    std::vector<CIndexPage> m_Pages;
    // Set only when a build wrote every page it listed, without failure
    // or cancel; Publish Index needs it.
    bool m_bPagesReady = false;
    std::unordered_set<uint32_t> m_ChangedMonths;

    void Invalidate() { m_bPagesReady = false; }
    bool IsMonthChanged(const CIndexPage& page) const
    {
        return m_ChangedMonths.count(MakeMonthKey(page.m_nYear, page.m_nMonth)) != 0;
    }
};
