// SPDX-License-Identifier: MIT
#include "frame_cutter.h"

namespace gwsim {

namespace {

constexpr char kTimeoutNotice[] = "Receive Data Timeout, Giveup old data !";
constexpr char kTooLongNotice[] = "Receive Data Error, Get Data too much = ";

bool Fits(std::size_t length) {
  return length >= kMinFrame && length <= kMaxFrame;
}

}  // namespace

FrameCutter::Result FrameCutter::Feed(const uint8_t *data, std::size_t size,
                                      Clock::time_point now) {
  Result result;
  if (!pending_.empty() && now - lastBytes_ > kPatience) {
    pending_.clear();
    result.notices.push_back(kTimeoutNotice);
  }
  if (data) pending_.insert(pending_.end(), data, data + size);
  std::size_t at = 0;
  while (pending_.size() - at >= kLengthFieldSize) {
    const std::size_t length = ReadLength(pending_.data() + at);
    if (!Fits(length)) {
      result.notices.push_back(kTooLongNotice + std::to_string(length));
      pending_.clear();
      return result;
    }
    if (length > pending_.size() - at) break;
    const auto begin = pending_.begin() + static_cast<std::ptrdiff_t>(at);
    result.frames.emplace_back(begin, begin + static_cast<std::ptrdiff_t>(length));
    at += length;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
  if (!pending_.empty()) lastBytes_ = now;
  return result;
}

}  // namespace gwsim
