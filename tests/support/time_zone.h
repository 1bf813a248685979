// Runs a piece of a test in another local time zone: sets TZ for its
// lifetime and puts the old value back. A zone that does not take effect
// (its data missing) fails the test.
#pragma once

#include <string>

class CTimeZoneGuard {
public:
    explicit CTimeZoneGuard(const char* zone);
    ~CTimeZoneGuard();
    CTimeZoneGuard(const CTimeZoneGuard&) = delete;
    CTimeZoneGuard& operator=(const CTimeZoneGuard&) = delete;

private:
    bool m_had = false;
    std::string m_old;
};
