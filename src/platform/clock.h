/* SPDX-License-Identifier: MIT */
// Monotonic time for the receive time-out. It never jumps with the wall clock
// and runs on across midnight; tests may put a clock of their own in its place.
#pragma once

#include <functional>

namespace roviro2 {

// Days since an arbitrary fixed start (a monotonic clock, not the time of day).
double NowDays();

// Makes NowDays() answer from `clock`; an empty function restores the
// monotonic clock. For tests.
void SetClockForTesting(std::function<double()> clock);

}  // namespace roviro2
