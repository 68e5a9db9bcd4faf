// Where the calculation reads the local date and time.
#pragma once

#include "text/date_time.h"

namespace kova {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual DateTime Now() = 0;
};

class SystemClock final : public Clock {
  public:
    DateTime Now() override;
};

// Every reading returns the same instant, so outputs repeat byte for byte.
class FixedClock final : public Clock {
  public:
    explicit FixedClock(const DateTime& instant) : instant_(instant) {}
    DateTime Now() override { return instant_; }

  private:
    DateTime instant_;
};

}  // namespace kova
