// SPDX-License-Identifier: MIT
#include "platform/clock.h"

#include <chrono>

#include "platform/platform_state.h"

namespace roviro2 {

namespace {

double MonotonicDays() {
  using Days = std::chrono::duration<double, std::ratio<86400>>;
  return std::chrono::duration_cast<Days>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

double NowDays() {
  const std::function<double()> &clock = PlatformPart().clock;
  return clock ? clock() : MonotonicDays();
}

void SetClockForTesting(std::function<double()> clock) {
  PlatformPart().clock = std::move(clock);
}

}  // namespace roviro2
