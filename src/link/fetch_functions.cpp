// SPDX-License-Identifier: MIT
// Fetching received frames: by gateway (PT_GW_RcvReady, PT_GW_RcvMsg,
// PT_GW_RcvData and the field functions) and by tag address and command,
// decoded (PT_Tag_RcvMsg).
//
// A null output pointer is refused with -1 and nothing is taken from the
// queue: no frame is lost to a call that could not deliver it.
#include <cstring>

#include "link/gateway_order.h"
#include "link/link_state.h"
#include "link/rcv_queue.h"
#include "link/reception_hold.h"
#include "link/tag_decode.h"
#include "platform/boundary.h"
#include "registry/gateway_table.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

constexpr int32_t kRefused = -1;
constexpr uint32_t kHighestGatewayByte = 0xFF;
using EntryId = ReceiveQueue::EntryId;

ReceiveQueue *Queue() {
  return LinkPart().RcvQueue.get();
}

// Size of the frame a fetch by gateway would take; 0 when there is none.
int32_t WaitingSize(int order) {
  const ReceiveQueue *queue = Queue();
  return queue ? static_cast<int32_t>(queue->View(queue->First(order)).size) : 0;
}

// Byte `offset` of LastRcv when it holds at least `needed` bytes, else 0.
int32_t LastRcvByte(std::size_t offset, std::size_t needed) {
  const std::vector<uint8_t> &last = LinkPart().LastRcv;
  return last.size() >= needed ? last[offset] : 0;
}

struct TagFilter {
  uint32_t gateway;  // 0: any
  uint8_t port;      // 0: any; 1 or 2; any other value matches nothing
  uint8_t node;      // 0: any
  int16_t command;   // -1: any
};

enum class Scan { kMatch, kSkip, kDamaged };

Scan Test(const TagFilter &filter, const ByteView &frame) {
  if (filter.port != 0 && PortOfCode(frame.data[kPortCodeOffset]) != filter.port) {
    return Scan::kSkip;
  }
  if (frame.size < kHeaderSize) return Scan::kDamaged;
  if (filter.node != 0 && frame.data[kNodeOffset] != filter.node) return Scan::kSkip;
  if (filter.command != -1 && filter.command != frame.data[kCommandOffset]) return Scan::kSkip;
  return Scan::kMatch;
}

// The order a tag filter scans: that of the filtered gateway, whose frames
// are the only ones that can match (kNoOrder above 255).
int OrderOfFilter(const TagFilter &filter) {
  if (filter.gateway == 0) return ReceiveQueue::kAnyGateway;
  return filter.gateway <= kHighestGatewayByte ? static_cast<int>(filter.gateway) : kNoOrder;
}

// Scans from the oldest entry of the order. A damaged entry that passes the
// gateway and port tests ends the scan: it is removed and reported.
Scan FindTagEntry(const TagFilter &filter, int order, EntryId &entry, ByteView &frame) {
  Scan scan = Scan::kSkip;
  entry = Queue()->Find(
      order,
      [&](const ByteView &candidate) {
        scan = Test(filter, candidate);
        return scan != Scan::kSkip;
      },
      frame);
  return scan;
}

// Where PT_Tag_RcvMsg hands out a frame's fields.
struct TagOutputs {
  uint32_t *tagAddr;
  int16_t *command;
  int16_t *status;
  uint8_t *data;
  int16_t *dataLength;
};

// Copies data of more than kLargestSmallCopy bytes out and hands out its
// length; PT_Tag_RcvMsg's result. Kept out of line and called last, so that
// handing out a frame with short data makes no call.
[[gnu::noinline]] int32_t HandOutLongData(uint8_t *to, const uint8_t *data, std::size_t size,
                                          int16_t *dataLength) noexcept {
  std::memcpy(to, data, size);
  *dataLength = static_cast<int16_t>(size);
  return ROVIRO2_FRAME_TAKEN;
}

// Writes a decoded frame's fields where PT_Tag_RcvMsg hands them out; the
// data comes last and gives PT_Tag_RcvMsg's result.
struct OutputFields {
  const TagOutputs &out;
  void Command(uint8_t command) { *out.command = command; }
  void Status(int16_t status) { *out.status = status; }
  void TagAddr(uint32_t tagAddr) { *out.tagAddr = tagAddr; }
  int32_t Data(const uint8_t *data, std::size_t size) {
    if (!CopyIfShort(out.data, data, size)) {
      return HandOutLongData(out.data, data, size, out.dataLength);
    }
    *out.dataLength = static_cast<int16_t>(size);
    return ROVIRO2_FRAME_TAKEN;
  }
};

// Hands out a whole frame: it holds its header and is as long as its
// length field says. Returns PT_Tag_RcvMsg's result.
[[gnu::always_inline]] inline int32_t HandOutWhole(const ByteView &frame,
                                                   const TagOutputs &out) noexcept {
  return DecodeWholeTag(frame.data, frame.size, OutputFields{out});
}

// Hands out a whole frame's fields; false for a damaged one.
[[gnu::always_inline]] inline bool Deliver(const ByteView &frame, Scan scan,
                                           const TagOutputs &out) {
  if (scan != Scan::kMatch || !IsWholeTagFrame(frame.data, frame.size)) return false;
  HandOutWhole(frame, out);
  return true;
}

int32_t TakeResult(bool whole) {
  return whole ? ROVIRO2_FRAME_TAKEN : ROVIRO2_DAMAGED_FRAME;
}

TagFilter FilterOf(const uint32_t *tagAddr, const int16_t *command) {
  return {*tagAddr >> 16, static_cast<uint8_t>(*tagAddr >> 8), static_cast<uint8_t>(*tagAddr),
          *command};
}

// PT_Tag_RcvMsg once the queue holds frames, every case: the oldest frame
// of the order that passes the filter, found by a scan. It takes the
// export's own arguments, so that its call moves nothing.
[[gnu::noinline]] int32_t TakeTagEntry(uint32_t *tagAddr, int16_t *command, int16_t *status,
                                       uint8_t *data, int16_t *dataLength) {
  const TagFilter filter = FilterOf(tagAddr, command);
  const int order = OrderOfFilter(filter);
  const TagOutputs out{tagAddr, command, status, data, dataLength};
  ReceiveQueue *queue = Queue();
  EntryId entry;
  ByteView frame;
  const Scan scan = FindTagEntry(filter, order, entry, frame);
  if (scan == Scan::kSkip) return 0;
  // Removing a frame from inside a run needs a record: made before anything
  // is written, so that a failure delivers nothing and keeps the frame.
  queue->ReserveRecord();
  const bool whole = Deliver(frame, scan, out);
  queue->Remove(entry);
  if (LinkPart().anyHeld) ResumeHeldReception();
  return TakeResult(whole);
}

// PT_GW_RcvMsg, every case.
[[gnu::noinline]] int32_t FetchByGateway(uint32_t gwId, uint8_t *buffer) {
  int order;
  if (!OrderOfGateway(gwId, order)) return -1;
  const LinkState &link = LinkPart();
  ReceiveQueue *queue = link.RcvQueue.get();
  if (!queue) return 0;
  if (!buffer) return WaitingSize(order) == 0 ? 0 : kRefused;
  const std::size_t size = queue->Take(order, buffer);
  if (link.anyHeld) ResumeHeldReception();  // only then can a fetch resume reads
  return static_cast<int32_t>(size);
}

// PT_Tag_RcvMsg, every case. The oldest frame of the filtered order is
// most often the one, and more of its burst follows it: unless reads are
// held, it is taken without a scan.
[[gnu::noinline]] int32_t TagRcvMsgEveryCase(uint32_t *tagAddr, int16_t *command, int16_t *status,
                                             uint8_t *data, int16_t *dataLength) noexcept {
  return Guarded(-1, [&]() -> int32_t {
    if (!tagAddr || !command || !status || !data || !dataLength) return kRefused;
    const LinkState &link = LinkPart();
    ReceiveQueue *queue = link.RcvQueue.get();
    if (!queue) return 0;
    const TagFilter filter = FilterOf(tagAddr, command);
    ByteView frame;
    const auto matches = [&](const ByteView &head) {
      frame = head;
      return Test(filter, head) == Scan::kMatch;
    };
    if (link.anyHeld || !queue->TakeFirstIf(OrderOfFilter(filter), matches)) {
      return queue->Empty() ? 0 : TakeTagEntry(tagAddr, command, status, data, dataLength);
    }
    return HandOutWhole(frame, {tagAddr, command, status, data, dataLength});
  });
}

// The queue and the order to read, when a call of PT_Tag_RcvMsg is of its
// most common kind: a filter of one gateway (or all) alone, every output
// given, and reads not held; null for any other call. Free of calls, so
// that PT_Tag_RcvMsg needs no stack frame; nothing here can throw.
[[gnu::always_inline]] inline ReceiveQueue *QueueForGatewayFilter(const TagOutputs &out,
                                                                  int &order) noexcept {
  // Each pointer is tested just before it is first used: tests made all at
  // once would cost more.
  if (!out.tagAddr) return nullptr;
  const uint32_t tagAddr = *out.tagAddr;
  if ((tagAddr & 0xFFFF) != 0 || !out.command || *out.command != -1) return nullptr;
  const LinkState &link = LinkPart();
  ReceiveQueue *queue = link.RcvQueue.get();
  if (!queue || link.anyHeld || !out.status || !out.data || !out.dataLength) return nullptr;
  order = OrderOfFilter({tagAddr >> 16, 0, 0, -1});
  return queue;
}

// TakeTagEntry for a call of that kind whose oldest frame cannot be taken
// without it: the last of its run, damaged, or none.
[[gnu::noinline]] int32_t ScanForTag(uint32_t *tagAddr, int16_t *command, int16_t *status,
                                     uint8_t *data, int16_t *dataLength) noexcept {
  return Guarded(-1, [&]() { return TakeTagEntry(tagAddr, command, status, data, dataLength); });
}

}  // namespace

extern "C" {

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvReady(uint32_t gwId) {
  return Guarded(-1, [&]() -> int32_t {
    int order;
    if (!OrderOfGateway(gwId, order)) return -1;
    return WaitingSize(order);
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvMsg(uint32_t gwId, uint8_t *buffer) {
  return Guarded(-1, [&]() -> int32_t {
    // A burst's frame, of all gateways or of the one named last, is taken
    // without a call, unless reads are held; everything else takes the
    // whole way.
    const LinkState &link = LinkPart();
    ReceiveQueue *queue = link.RcvQueue.get();
    const uint16_t id = static_cast<uint16_t>(gwId);
    if (queue && buffer && !link.anyHeld && (id == 0 || RemembersGatewayByte(id))) {
      const int32_t size =
          queue->TakeSimple(id == 0 ? ReceiveQueue::kAnyGateway : static_cast<uint8_t>(id), buffer);
      if (size != ReceiveQueue::kNotSimple) return size;
    }
    return FetchByGateway(gwId, buffer);
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvData(uint32_t gwId) {
  return Guarded(-1, [&]() -> int32_t {
    const int32_t size = PT_GW_RcvReady(gwId);
    if (size <= 0) return size;
    std::vector<uint8_t> &last = LinkPart().LastRcv;
    last.resize(static_cast<std::size_t>(size));
    return PT_GW_RcvMsg(gwId, last.data());
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvAddr(void) {
  return Guarded(0, [&]() -> int32_t { return LastRcvByte(kGatewayByteOffset, 6); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvPort(void) {
  return Guarded(0, [&]() -> int32_t {
    switch (LastRcvByte(kPortCodeOffset, 6)) {
      case kPortCode1:
        return 1;
      case kPortCode2:
        return 2;
      default:
        return 0;
    }
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvTagCmd(void) {
  return Guarded(0, [&]() -> int32_t { return LastRcvByte(kCommandOffset, 7); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvTagNode(void) {
  return Guarded(0, [&]() -> int32_t { return LastRcvByte(kNodeOffset, 8); });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvTagData(uint8_t *buffer) {
  return Guarded(-1, [&]() -> int32_t {
    const std::vector<uint8_t> &last = LinkPart().LastRcv;
    if (last.size() <= kHeaderSize) return 0;
    if (!buffer) return kRefused;
    const std::size_t size = last.size() - kHeaderSize;
    std::memcpy(buffer, last.data() + kHeaderSize, size);
    return static_cast<int32_t>(size);
  });
}

ROVIRO2_API int32_t ROVIRO2_CALL PT_Tag_RcvMsg(uint32_t *tagAddr, int16_t *command, int16_t *status,
                                               uint8_t *data, int16_t *dataLength) {
  // The common case is handled here without a call, so that it needs no
  // stack frame, and without Guarded, since nothing in it can throw;
  // everything else is a tail call with the same arguments.
  const TagOutputs out{tagAddr, command, status, data, dataLength};
  int order;
  ReceiveQueue *queue = QueueForGatewayFilter(out, order);
  if (!queue) return TagRcvMsgEveryCase(tagAddr, command, status, data, dataLength);
  // The oldest frame of the gateway's order, when more of its burst
  // follows it: a frame with more of its run behind it is as long as its
  // length field says. Its bytes stay where they are until the queue
  // changes again, so it is decoded and handed out once it is taken: no
  // output can alias what the queue still reads.
  ByteView frame;
  const auto whole = [&](const ByteView &head) {
    frame = head;
    return head.size >= kHeaderSize;
  };
  if (!queue->TakeFirstIf(order, whole)) {
    return ScanForTag(tagAddr, command, status, data, dataLength);
  }
  return HandOutWhole(frame, out);
}

}  // extern "C"
