// SPDX-License-Identifier: MIT
#include "link/receiver.h"

#include <algorithm>
#include <cstring>

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

// Whether the bytes behind the frames cut start with a length field that no
// frame can have.
Cut Refusal(const uint8_t *bytes, std::size_t size, std::size_t consumed) {
  Cut cut;
  cut.consumed = consumed;
  if (size - consumed >= kLengthFieldSize) {
    const std::size_t length = ReadLength(bytes + consumed);
    cut.refused = !ReceiveQueue::Fits(length);
    if (cut.refused) cut.length = length;
  }
  return cut;
}

// Queues every complete frame at the front of bytes, marked with the
// gateway byte, and stops at an incomplete frame or a refused length field.
// The frames of one read are queued in one copy.
Cut CutFrames(const uint8_t *bytes, std::size_t size, uint8_t gatewayByte, ReceiveQueue &queue) {
  if (!bytes) return Cut{};
  return Refusal(bytes, size, queue.PushFrames(bytes, size, gatewayByte));
}

bool TimedOut(const TMyTCP2 &slot, double nowDays) {
  return !slot.RcvBuf.empty() && nowDays - slot.RcvTime > slot.RcvTimeOut;
}

// The last step of a read: the time of a frame left waiting, then the
// notices, once every buffer is final.
void Finished(TMyTCP2 &slot, double nowDays, bool timedOut, const Cut &cut,
              const NoticeSink &notice) {
  if (!slot.RcvBuf.empty()) slot.RcvTime = nowDays;
  if (!notice) return;
  if (timedOut) notice(kTimeoutNotice);
  if (cut.refused) notice(kTooMuchNotice + std::to_string(cut.length));
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
  const bool timedOut = TimedOut(slot, nowDays);
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
  Finished(slot, nowDays, timedOut, cut, notice);
}

// A frame that timed out is not moved; it is dropped once a read brings
// bytes, as ReceiveBytes drops it.
ReadIntoQueue::ReadIntoQueue(TMyTCP2 &slot, ReceiveQueue &queue, double nowDays)
    : slot_(slot), queue_(queue), nowDays_(nowDays), room_(queue.OpenRead()) {
  timedOut_ = TimedOut(slot, nowDays);
  if (timedOut_) return;
  // Below 8198 bytes, and the room holds at least 16 KiB.
  waiting_ = slot.RcvBuf.size();
  if (waiting_ > 0) std::memcpy(room_.bytes, slot.RcvBuf.data(), waiting_);
}

bool ReadIntoQueue::Finish(std::size_t got, const NoticeSink &notice) {
  if (got == 0) return false;
  std::vector<uint8_t> &buffer = slot_.RcvBuf;
  buffer.clear();
  const std::size_t size = waiting_ + got;
  const uint8_t gatewayByte = static_cast<uint8_t>(slot_.IPAddr.ID);
  const Cut cut = Refusal(room_.bytes, size, queue_.KeepRead(room_, size, gatewayByte));
  if (!cut.refused) buffer.assign(room_.bytes + cut.consumed, room_.bytes + size);
  Close();
  Finished(slot_, nowDays_, timedOut_, cut, notice);
  return timedOut_ || cut.refused;
}

void ReceiveBytesInPlace(TMyTCP2 &slot, const uint8_t *data, std::size_t size, double nowDays,
                         ReceiveQueue &queue, const NoticeSink &notice) {
  std::size_t at = 0;
  do {
    ReadIntoQueue read(slot, queue, nowDays);
    const std::size_t got = std::min(size - at, read.Room());
    if (got > 0) std::memcpy(read.Area(), data + at, got);
    read.Finish(got, notice);
    at += got;
  } while (at < size);
}

}  // namespace roviro2
