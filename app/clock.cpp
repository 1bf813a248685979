#include "app/clock.h"

#include <ctime>

int64_t CSystemClock::Now() const
{
    return static_cast<int64_t>(std::time(nullptr));
}
