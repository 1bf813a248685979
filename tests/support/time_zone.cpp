#include "support/time_zone.h"

#include <cstdlib>
#include <ctime>

CTimeZoneGuard::CTimeZoneGuard(const char* zone)
{
    if (const char* v = std::getenv("TZ")) {
        m_had = true;
        m_old = v;
    }
    ::setenv("TZ", zone, 1);
    ::tzset();
}

CTimeZoneGuard::~CTimeZoneGuard()
{
    if (m_had)
        ::setenv("TZ", m_old.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}
