#include "link/receiver.h"

#include "link/frame.h"

namespace roviro2 {

namespace {

constexpr char kTimeoutNotice[] = "Receive Data Timeout, Giveup old data !";
constexpr char kTooMuchNotice[] = "Receive Data Error, Get Data too much = ";
constexpr std::size_t kLengthFieldSize = 2;
// A read buffer grown beyond this by one large read is given back.
constexpr std::size_t kKeptBufferCapacity = 4 * kMaxWireFrame;

// Result of cutting frames from the front of a run of bytes.
struct Cut {
  std::size_t consumed = 0;  // bytes of the frames queued
  bool refused = false;      // stopped at a length field no frame can have
  std::size_t length = 0;    // that length field
};

bool AcceptableLength(std::size_t length) {
  return length >= TRcvQueue::kMinFrame && length <= kMaxWireFrame;
}

// Queues every complete frame at the front of bytes, marked with the
// gateway byte, and stops at an incomplete frame or a refused length field.
// Walks forward only, so many small frames cost one pass.
Cut CutFrames(const uint8_t *bytes, std::size_t size, uint8_t gatewayByte, TRcvQueue &queue) {
  Cut cut;
  while (size - cut.consumed >= kLengthFieldSize) {
    const uint8_t *frame = bytes + cut.consumed;
    const std::size_t length = ReadLength(frame);
    if (!AcceptableLength(length)) {
      cut.refused = true;
      cut.length = length;
      break;
    }
    if (size - cut.consumed < length) break;
    queue.PushMarked(frame, length, gatewayByte);
    cut.consumed += length;
  }
  return cut;
}

// Leaves in buffer what follows the cut frames; bytes are the new read
// when buffer was empty, else buffer itself with the read appended.
void KeepRest(std::vector<uint8_t> &buffer, bool appended, const uint8_t *bytes, std::size_t size,
              const Cut &cut) {
  if (cut.refused) {
    buffer.clear();
  } else if (appended) {
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(cut.consumed));
  } else {
    buffer.assign(bytes + cut.consumed, bytes + size);
  }
  if (buffer.capacity() > kKeptBufferCapacity && buffer.size() < kMaxWireFrame) {
    buffer.shrink_to_fit();
  }
}

}  // namespace

void ReceiveBytes(TMyTCP2 &slot, const uint8_t *data, std::size_t size, double nowDays,
                  TRcvQueue &queue, const NoticeSink &notice) {
  if (!data) size = 0;
  std::vector<uint8_t> &buffer = slot.RcvBuf;
  const bool timedOut = !buffer.empty() && nowDays - slot.RcvTime > slot.RcvTimeOut;
  if (timedOut) buffer.clear();

  const bool append = !buffer.empty();
  if (append) buffer.insert(buffer.end(), data, data + size);
  const uint8_t *bytes = append ? buffer.data() : data;
  const std::size_t total = append ? buffer.size() : size;
  const Cut cut = CutFrames(bytes, total, static_cast<uint8_t>(slot.IPAddr.ID), queue);
  KeepRest(buffer, append, data, size, cut);
  if (!buffer.empty()) slot.RcvTime = nowDays;

  if (!notice) return;
  if (timedOut) notice(kTimeoutNotice);
  if (cut.refused) notice(kTooMuchNotice + std::to_string(cut.length));
}

}  // namespace roviro2
