// Local-time formatting and conversions. Times are signed seconds since
// 1970-01-01 UTC; local time follows TZ through the C library.
#pragma once

#include <cstdint>
#include <string>

// The local time formatted with a strftime pattern (at most 127 characters;
// empty when the text does not fit). "%#d" and the like (no leading zero)
// are accepted. A time without a local-time form throws CInvalidArgException.
std::string FormatDate(int64_t time, const char* pattern);
// "%m/%d/%y"
std::string FormatShortDate(int64_t time);
// "%m/%d/%y %H:%M:%S"
std::string FormatShortDateTime(int64_t time);

// Local midnight of a calendar date (month 1-12), daylight saving decided by
// the C library; 0 when the date does not exist (30 February, month 13).
int64_t LocalMidnight(int year, int month, int day);

// Local calendar fields of a time; false when it has none.
bool LocalDateOf(int64_t time, int& year, int& month, int& day);
// Day of the week (0 Sunday) of a local time; -1 when it has none.
int LocalWeekday(int64_t time);
// Day count from 1 January 1970 of a calendar date (proleptic Gregorian,
// month 1-12): two dates differ by whole days whatever daylight saving did
// between them.
int64_t DayNumberOf(int year, int month, int day);
