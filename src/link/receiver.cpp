// SPDX-License-Identifier: MIT
#include "link/receiver.h"

#include <algorithm>

#include "link/frame.h"

namespace roviro2 {

namespace {

constexpr char kTimeoutNotice[] = "Receive Data Timeout, Giveup old data !";
constexpr char kTooMuchNotice[] = "Receive Data Error, Get Data too much = ";

// Result of cutting frames from the front of a run of bytes.
struct Cut {
  std::size_t consumed = 0;  // bytes of the frames queued
  bool refused = false;      // stopped at a length field no frame can have
  std::size_t length = 0;    // that length field
};

// Queues every complete frame at the front of bytes, marked with the
// gateway byte, and stops at an incomplete frame or a refused length field.
// The frames of one read are queued in one copy.
Cut CutFrames(const uint8_t *bytes, std::size_t size, uint8_t gatewayByte, ReceiveQueue &queue) {
  Cut cut;
  if (!bytes) return cut;
  cut.consumed = queue.PushFrames(bytes, size, gatewayByte);
  if (size - cut.consumed >= kLengthFieldSize) {
    const std::size_t length = ReadLength(bytes + cut.consumed);
    cut.refused = !ReceiveQueue::Fits(length);
    if (cut.refused) cut.length = length;
  }
  return cut;
}

// Moves from the head of the new bytes into buffer what the frame waiting
// there still lacks: its length field first, then the rest of the frame,
// and no more, so the bytes behind it are cut where they arrived instead of
// being copied into the buffer first. Returns the count taken.
std::size_t TopUp(std::vector<uint8_t> &buffer, const uint8_t *bytes, std::size_t size) {
  std::size_t taken = 0;
  const auto take = [&](std::size_t wanted) {
    const std::size_t count = std::min(wanted, size - taken);
    if (count == 0) return;
      // Appended as they are: growing by resize would first zero the bytes.
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12 at -O3 takes the two appends of one call for a write past the
// buffer that the first of them made; the insert allocates what it writes.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif
    buffer.insert(buffer.end(), bytes + taken, bytes + taken + count);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    taken += count;
  };
  if (buffer.size() < kLengthFieldSize) take(kLengthFieldSize - buffer.size());
  if (buffer.size() >= kLengthFieldSize) {
    const std::size_t length = ReadLength(buffer.data());
    if (ReceiveQueue::Fits(length) && buffer.size() < length) take(length - buffer.size());
  }
  return taken;
}

}  // namespace

void ReceiveBytes(TMyTCP2 &slot, const uint8_t *data, std::size_t size, double nowDays,
                  ReceiveQueue &queue, const NoticeSink &notice) {
  if (!data) size = 0;
  std::vector<uint8_t> &buffer = slot.RcvBuf;
  const bool timedOut = !buffer.empty() && nowDays - slot.RcvTime > slot.RcvTimeOut;
  if (timedOut) buffer.clear();

  const uint8_t gatewayByte = static_cast<uint8_t>(slot.IPAddr.ID);
  Cut cut;
  std::size_t used = 0;
  if (!buffer.empty()) {
    used = TopUp(buffer, data, size);
    cut = CutFrames(buffer.data(), buffer.size(), gatewayByte, queue);
    // Either the waiting frame is queued, or its length is refused (and the
    // rest of this read with it), or it still waits for more bytes.
    if (cut.refused || cut.consumed > 0) buffer.clear();
  }
  if (buffer.empty() && !cut.refused) {
    cut = CutFrames(data + used, size - used, gatewayByte, queue);
    if (!cut.refused) buffer.assign(data + used + cut.consumed, data + size);
  }
  if (!buffer.empty()) slot.RcvTime = nowDays;

  if (!notice) return;
  if (timedOut) notice(kTimeoutNotice);
  if (cut.refused) notice(kTooMuchNotice + std::to_string(cut.length));
}

}  // namespace roviro2
