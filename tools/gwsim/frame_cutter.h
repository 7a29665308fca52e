// SPDX-License-Identifier: MIT
// Cuts the byte stream of one client connection into frames by their length
// fields, keeping an incomplete frame until the rest of it comes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "frame.h"

namespace gwsim {

class FrameCutter {
 public:
  using Clock = std::chrono::steady_clock;
  // An incomplete frame that waits longer than this for its next bytes is
  // given up.
  static constexpr std::chrono::milliseconds kPatience{604800};

  struct Result {
    std::vector<Bytes> frames;         // complete frames, in stream order
    std::vector<std::string> notices;  // what went wrong, for the log
  };

  // Takes the bytes of one read. A length field outside 5..8198 drops the
  // bytes still waiting and the rest of this read: nothing after it can be
  // cut reliably.
  Result Feed(const uint8_t *data, std::size_t size, Clock::time_point now);
  // Forgets the incomplete frame (a new connection starts a new stream).
  void Clear() { pending_.clear(); }
  std::size_t Pending() const { return pending_.size(); }

 private:
  Bytes pending_;
  Clock::time_point lastBytes_{};
};

}  // namespace gwsim
