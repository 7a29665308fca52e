// SPDX-License-Identifier: MIT
#include "platform/clock.h"

#include <chrono>

namespace roviro2 {

namespace {

std::function<double()> &SubstituteClock() {
  static std::function<double()> clock;
  return clock;
}

double MonotonicDays() {
  using Days = std::chrono::duration<double, std::ratio<86400>>;
  return std::chrono::duration_cast<Days>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

double NowDays() {
  const std::function<double()> &clock = SubstituteClock();
  return clock ? clock() : MonotonicDays();
}

void SetClockForTesting(std::function<double()> clock) {
  SubstituteClock() = std::move(clock);
}

}  // namespace roviro2
