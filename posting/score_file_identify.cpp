// Dates, session times, the file code and the identification key of a
// score file, and completing an identification through the Identify Score
// File dialog.
#include "posting/score_file.h"

#include <cctype>
#include <climits>
#include <ctime>

#include "platform/date_helpers.h"
#include "platform/path_helpers.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"

const char* const CScoreFile::kKeywords[SFD_COUNT] = {"EVENT>", "SESSION>", "SECTION>", "DATE>",
                                                       "MP LIMITS>"};
const char* const CScoreFile::kWeekdayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
const char* const CScoreFile::kMonthNames[12] = {"January", "February", "March", "April",
                                                 "May", "June", "July", "August",
                                                 "September", "October", "November", "December"};
const char* const CScoreFile::kShortSessionNames[4] = {"Morn", "Aft", "Eve", "Late"};
const char* const CScoreFile::kLongSessionNames[4] = {"Morning", "Afternoon", "Evening", "Late"};
const char CScoreFile::kSessionLetters[5] = "mael";

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A decimal number the way the C library's atoi reads one: leading white
// space, an optional sign, digits. any is false when there are no digits;
// end is where the digits stop. Large values saturate.
long long ReadDecimal(const std::string& s, size_t from, bool& any, size_t& end)
{
    size_t i = from;
    while (i < s.size() && IsAsciiSpace(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    long long v = 0;
    any = false;
    while (i < s.size() && IsDigit(s[i])) {
        any = true;
        if (v < LLONG_MAX / 10 - 10)
            v = v * 10 + (s[i] - '0');
        ++i;
    }
    end = i;
    return negative ? -v : v;
}

int64_t CurrentTime()
{
    CQuillmarkApp* app = GetAppPtr();
    return app ? app->Now() : static_cast<int64_t>(std::time(nullptr));
}

const char* const kMonthPrefixes[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};

}  // namespace

bool CScoreFile::ParseDate()
{
    // Leading blanks ("DATE> Sep 5, 2023") do not hide the month.
    const std::string date = TrimLeft(m_strDesc[SFD_DATE]);
    int month = -1;
    for (int m = 0; m < 12 && date.size() >= 3; ++m) {
        if (EqualsNoCase(std::string_view(date).substr(0, 3), kMonthPrefixes[m])) {
            month = m + 1;
            break;
        }
    }
    if (month < 0)
        return false;
    const size_t blank = date.find(' ');
    if (blank == std::string::npos)
        return false;
    bool any = false;
    size_t end = 0;
    const long long day = ReadDecimal(date, blank, any, end);
    if (!any || day < 1 || day > 31)
        return false;
    if (end >= date.size())
        return false;
    size_t yearEnd = 0;
    const long long year = ReadDecimal(date, end + 1, any, yearEnd);
    if (year < 1970 || year > 3000)
        return false;
    // 30 February and the like are no date at all: the user is asked.
    const int64_t midnight = LocalMidnight(static_cast<int>(year), month, static_cast<int>(day));
    if (midnight == 0)
        return false;
    m_tSessionDate = midnight;
    return true;
}

void CScoreFile::GetDateFromFileName(int64_t* date, int* timeIndex) const
{
    if (date)
        *date = 0;
    if (timeIndex)
        *timeIndex = -1;
    const std::string name = GetFileName();
    size_t digits = 0;
    while (digits < name.size() && IsDigit(name[digits]))
        ++digits;
    if (digits != 6 && digits != 8)
        return;
    auto number = [&](size_t from, size_t count) {
        int v = 0;
        for (size_t i = from; i < from + count; ++i)
            v = v * 10 + (name[i] - '0');
        return v;
    };
    int64_t found = 0;
    if (date) {
        int year, month, day;
        if (digits == 8) {
            year = number(0, 4);
            month = number(4, 2);
            day = number(6, 2);
        } else {
            int nowYear = 1970, m = 1, d = 1;
            LocalDateOf(CurrentTime(), nowYear, m, d);
            year = (nowYear / 100) * 100 + number(0, 2);
            if (year > nowYear)
                year -= 100;
            month = number(2, 2);
            day = number(4, 2);
        }
        found = LocalMidnight(year, month, day);
        *date = found;
    }
    if (timeIndex && (!date || found != 0)) {
        const int type = GetScoreFileTypeOf(name);
        if (type >= 0) {
            *timeIndex = type;
        } else if (digits < name.size()) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(name[digits])));
            for (int i = 0; i < 4; ++i)
                if (c == kSessionLetters[i])
                    *timeIndex = i;
        }
    }
}

int64_t CScoreFile::GetDate() const
{
    if (m_tSessionDate != 0)
        return m_tSessionDate;
    int64_t date = 0;
    GetDateFromFileName(&date, nullptr);
    return date != 0 ? date : m_tModified;
}

int CScoreFile::GetSessionTimeIndex() const
{
    const std::string session = TrimLeft(m_strDesc[SFD_SESSION]);
    const size_t blank = session.find(' ');
    const std::string_view time = blank == std::string::npos ? std::string_view(session)
                                                             : std::string_view(session).substr(blank + 1);
    if (!time.empty()) {
        for (int i = 0; i < 4; ++i)
            if (StartsWithNoCase(kLongSessionNames[i], time))
                return i;
    }
    int index = -1;
    GetDateFromFileName(nullptr, &index);
    return index;
}

std::string CScoreFile::GetSection() const
{
    const std::string& s = m_strDesc[SFD_SECTION];
    size_t i = 0;
    while (i < s.size() && IsAsciiSpace(s[i]))
        ++i;
    size_t j = i;
    while (j < s.size() && IsAlpha(s[j]))
        ++j;
    return s.substr(i, j - i);
}

std::string CScoreFile::GetSessionText(bool longNames) const
{
    const int weekday = LocalWeekday(GetDate());
    std::string text = weekday >= 0 ? kWeekdayNames[weekday] : "";
    const int index = GetSessionTimeIndex();
    if (index >= 0 && index < 4) {
        text += ' ';
        text += longNames ? kLongSessionNames[index] : kShortSessionNames[index];
    }
    return text;
}

std::string CScoreFile::GetFileCode() const
{
    if (m_tSessionDate != 0) {
        const int index = GetSessionTimeIndex();
        const char letter = (index >= 0 && index < 4) ? kShortSessionNames[index][0] : 'U';
        return FormatDate(m_tSessionDate, "%y%m%d") + letter;
    }
    const std::string name = GetFileName();
    std::string code = RemoveExtension(name);
    const int type = GetScoreFileTypeOf(name);
    if (type >= 0)
        code += kShortSessionNames[type][0];
    return code;
}

CScoreFile::KeyResult CScoreFile::GetKey(bool ask, std::string* key)
{
    for (;;) {
        bool complete;
        std::string limit, section;
        int index = -1;
        if (key) {
            // A blank after the keyword ("MP LIMITS> None") is not part of
            // the limit.
            const std::string mp = TrimLeft(m_strDesc[SFD_MP_LIMITS]);
            size_t i = 0;
            while (i < mp.size() && (IsAlpha(mp[i]) || IsDigit(mp[i])))
                ++i;
            limit = ToLowerAscii(mp.substr(0, i));
            if (limit == "none")
                limit = "n";
            section = ToLowerAscii(GetSection());
            index = GetSessionTimeIndex();
            complete = !limit.empty() && index >= 0 && index < 4 && m_tSessionDate != 0 &&
                       !Trim(m_strDesc[SFD_EVENT]).empty();
        } else {
            complete = m_tSessionDate != 0 && !Trim(m_strDesc[SFD_EVENT]).empty();
        }
        if (complete) {
            if (key)
                *key = FormatDate(m_tSessionDate, "%Y%m%d") + kSessionLetters[index] + limit + section;
            return KeyResult::Complete;
        }
        if (!ask)
            return KeyResult::Incomplete;

        CQuillmarkApp* app = GetAppPtr();
        if (!app)
            return KeyResult::Cancelled;
        EnsureLoaded();
        IdentifyRequest request;
        request.path = m_strPath;
        request.local = IsLocal() != 0;
        request.content = m_content.c_str();
        request.event = m_strDesc[SFD_EVENT];
        request.sessionDate = m_tSessionDate;
        request.sessionTimeIndex = GetSessionTimeIndex();
        request.mpLimits = m_strDesc[SFD_MP_LIMITS];
        request.section = GetSection();
        IdentifyAnswer answer;
        const IdentifyResult result = app->Prompter().IdentifyScoreFile(request, answer);
        if (result == IdentifyResult::Skip) {
            SetPost(false);
            return KeyResult::Incomplete;
        }
        if (result != IdentifyResult::Ok)
            return KeyResult::Cancelled;

        m_strDesc[SFD_EVENT] = answer.event;
        m_tSessionDate = answer.sessionDate;
        int year = 0, month = 0, day = 0;
        if (answer.sessionDate != 0 && LocalDateOf(answer.sessionDate, year, month, day)) {
            m_strDesc[SFD_DATE] = StrFormat("%s %d, %d", kMonthNames[month - 1], day, year);
            const int weekday = LocalWeekday(answer.sessionDate);
            std::string session = kWeekdayNames[weekday];
            if (answer.sessionTimeIndex >= 0 && answer.sessionTimeIndex < 4)
                session += std::string(" ") + kShortSessionNames[answer.sessionTimeIndex];
            m_strDesc[SFD_SESSION] = session.substr(0, 13);
        }
        m_strDesc[SFD_MP_LIMITS] = answer.mpLimits;
        m_strDesc[SFD_SECTION] = ToUpperAscii(answer.section);
        // A dialog answer that changes nothing would ask again for ever.
        if (request.event == m_strDesc[SFD_EVENT] && request.sessionDate == m_tSessionDate &&
            request.sessionTimeIndex == GetSessionTimeIndex() &&
            request.mpLimits == m_strDesc[SFD_MP_LIMITS] && request.section == GetSection())
            return KeyResult::Incomplete;
    }
}

void CScoreFile::FillFromFileName()
{
    if (!m_strDesc[SFD_MP_LIMITS].empty() && !m_strDesc[SFD_SECTION].empty())
        return;
    const std::string name = GetFileName();
    if (name.size() < 9)
        return;
    for (size_t i = 0; i < 8; ++i)
        if (!IsDigit(name[i]))
            return;
    if (std::string_view("mael").find(name[8]) == std::string_view::npos)
        return;
    size_t i = 9;
    std::string limit;
    if (name.compare(i, 3, "nlm") == 0) {
        limit = "NLM";
        i += 3;
    } else if (i < name.size() && name[i] == 'n') {
        limit = "None";
        i += 1;
    } else if (i < name.size() && IsDigit(name[i])) {
        unsigned long long v = 0;
        while (i < name.size() && IsDigit(name[i])) {
            if (v < 1000000000000ull)
                v = v * 10 + static_cast<unsigned>(name[i] - '0');
            ++i;
        }
        limit = StrFormat("%llu", v);
    }
    size_t j = i;
    while (j < name.size() && IsAlpha(name[j]))
        ++j;
    const std::string section = ToUpperAscii(name.substr(i, j - i));
    if (m_strDesc[SFD_MP_LIMITS].empty())
        m_strDesc[SFD_MP_LIMITS] = limit;
    if (m_strDesc[SFD_SECTION].empty())
        m_strDesc[SFD_SECTION] = section;
}
