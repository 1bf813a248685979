#include "support/time_zone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

CTimeZoneGuard::CTimeZoneGuard(const char* zone)
{
    if (const char* v = std::getenv("TZ")) {
        m_had = true;
        m_old = v;
    }
    ::setenv("TZ", zone, 1);
    ::tzset();
    // Without the zone's data the C library quietly keeps to UTC, and a
    // test of local times would pass without testing anything.
    const std::string name = zone;
    if (name == "UTC" || name == "GMT" || name.rfind("Etc/", 0) == 0)
        return;
    bool offset = false;
    for (time_t at : {time_t(1704110400), time_t(1719835200)}) {  // 2024-01-01, 2024-07-01 12:00 UTC
        tm local{};
        ::localtime_r(&at, &local);
        offset = offset || local.tm_gmtoff != 0;
    }
    if (!offset)
        ADD_FAILURE() << "time zone " << name << " did not take effect: is its data (tzdata) installed?";
}

CTimeZoneGuard::~CTimeZoneGuard()
{
    if (m_had)
        ::setenv("TZ", m_old.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}
