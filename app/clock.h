// The time source of the core: real time in the program, a fixed or moving
// time in tests.
#pragma once

#include <cstdint>

class IClock {
public:
    virtual ~IClock() = default;
    // Seconds since 1970-01-01 00:00:00 UTC.
    virtual int64_t Now() const = 0;
};

class CSystemClock : public IClock {
public:
    int64_t Now() const override;
};
