// Today's date. The program asks a Clock, so tests can fix the day.
#pragma once

#include "common/dates.h"

namespace kszw {

struct Clock {
    virtual ~Clock() = default;
    virtual CivilDate today() const = 0;
};

// The computer's clock, local time.
class SystemClock : public Clock {
public:
    CivilDate today() const override;
};

// A clock that always says the same day.
class FixedClock : public Clock {
public:
    explicit FixedClock(CivilDate day) : m_day(day) {}
    CivilDate today() const override { return m_day; }
    void set(CivilDate day) { m_day = day; }

private:
    CivilDate m_day;
};

} // namespace kszw
