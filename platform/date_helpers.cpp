#include "platform/date_helpers.h"

#include <ctime>

#include "platform/exceptions.h"

std::string FormatDate(int64_t time, const char* pattern)
{
    std::string fmt;
    for (const char* p = pattern; *p; ++p) {
        fmt += *p;
        if (p[0] == '%' && p[1] == '#') {
            fmt += '-';
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            fmt += '%';
            ++p;
        }
    }
    const time_t t = static_cast<time_t>(time);
    struct tm tmv {};
    if (!localtime_r(&t, &tmv))
        throw CInvalidArgException("time has no local form");
    char buf[128];
    const size_t n = std::strftime(buf, sizeof buf, fmt.c_str(), &tmv);
    return std::string(buf, n);
}

std::string FormatShortDate(int64_t time)
{
    return FormatDate(time, "%m/%d/%y");
}

std::string FormatShortDateTime(int64_t time)
{
    return FormatDate(time, "%m/%d/%y %H:%M:%S");
}

int64_t LocalMidnight(int year, int month, int day)
{
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1900)
        return 0;
    struct tm tmv {};
    tmv.tm_year = year - 1900;
    tmv.tm_mon = month - 1;
    tmv.tm_mday = day;
    tmv.tm_isdst = -1;
    const time_t t = std::mktime(&tmv);
    if (t == static_cast<time_t>(-1))
        return 0;
    // mktime normalises 30 February to 2 March: refuse dates it moved.
    if (tmv.tm_year != year - 1900 || tmv.tm_mon != month - 1 || tmv.tm_mday != day)
        return 0;
    return static_cast<int64_t>(t);
}

bool LocalDateOf(int64_t time, int& year, int& month, int& day)
{
    const time_t t = static_cast<time_t>(time);
    struct tm tmv {};
    if (!localtime_r(&t, &tmv))
        return false;
    year = tmv.tm_year + 1900;
    month = tmv.tm_mon + 1;
    day = tmv.tm_mday;
    return true;
}

int LocalWeekday(int64_t time)
{
    const time_t t = static_cast<time_t>(time);
    struct tm tmv {};
    if (!localtime_r(&t, &tmv))
        return -1;
    return tmv.tm_wday;
}

int64_t DayNumberOf(int year, int month, int day)
{
    // Days from civil: March-based years put the leap day last.
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

