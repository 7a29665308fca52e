// SPDX-License-Identifier: MIT
// The receive path on arbitrary byte streams. The first byte chooses how the
// stream is cut into reads (whole, byte by byte, random cuts, fixed chunks),
// and whether the reads are copied from a read area or made straight into
// queue storage; the second seeds the cuts and the fetches. Checked: every
// cut gives the same frames and notices as the whole stream up to the first
// length field that no frame can have (what follows it is dropped with the
// rest of its read, so from there on the outcome depends on where the reads
// end); every queued frame is 5 to 8198 bytes long and exactly as long as
// its length field; fetching with every function and random filters ends
// and hands out frames whole, PT_GW_RcvReady announces the size PT_GW_RcvMsg
// then delivers, and no fetch writes past the room its function promises
// (each gets a heap buffer of exactly that size).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/rcv_queue.h"
#include "link/receiver.h"
#include "registry/gateway_table.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

struct Outcome {
  std::vector<std::vector<uint8_t>> frames;
  std::vector<std::string> notices;
};

// inPlace: as reads straight into queue storage make it.
void Feed(TMyTCP2 &slot, ReceiveQueue &queue, std::vector<std::string> &notices,
          const uint8_t *bytes, std::size_t size, bool inPlace = false) {
  const NoticeSink sink = [&notices](const std::string &text) { notices.push_back(text); };
  (inPlace ? ReceiveBytesInPlace : ReceiveBytes)(slot, bytes, size, 1.0, queue, sink);
}

// Takes the oldest frame of the queue into out.
void TakeOldest(ReceiveQueue &queue, Outcome &out) {
  const auto id = queue.First();
  const ByteView view = queue.View(id);
  out.frames.emplace_back(view.data, view.data + view.size);
  queue.Remove(id);
}

// The bytes of gateway 5's frames as the queue counts them must be those of
// the frames it holds: back-pressure decides by that count.
void CheckQueuedBytes(const ReceiveQueue &queue) {
  std::size_t bytes = 0;
  for (auto id = queue.First(); id != ReceiveQueue::kNoEntry; id = queue.Next(id))
    bytes += queue.View(id).size;
  FUZZ_CHECK(queue.QueuedBytes(5) == bytes);
}

// In the split modes the application fetches as back-pressure would make it:
// whenever the queue holds `limit` bytes or more, before the next read. The
// frames must come out as from the whole stream.
Outcome Receive(const std::vector<uint8_t> &stream, uint8_t mode, std::mt19937 &random,
                bool inPlace = false) {
  TMyTCP2 slot;
  slot.IPAddr.ID = 5;
  slot.RcvTimeOut = kRcvTimeOutDays;
  ReceiveQueue queue;
  Outcome out;
  const std::size_t limit = mode == 0 ? SIZE_MAX : 5 + random() % 20000;
  const std::size_t chunk = 1 + random() % 64;
  std::size_t at = 0;
  while (at < stream.size()) {
    std::size_t n = stream.size() - at;
    if (mode == 1) n = 1;
    if (mode == 2) n = std::min<std::size_t>(n, 1 + random() % 10000);
    if (mode == 3) n = std::min(n, chunk);
    // Each read in a buffer of its own exact size.
    const std::vector<uint8_t> read(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                    stream.begin() + static_cast<std::ptrdiff_t>(at + n));
    Feed(slot, queue, out.notices, read.data(), read.size(), inPlace);
    FUZZ_CHECK(queue.CheckInvariants());
    at += n;
    while (queue.Count() > 0 && queue.QueuedBytes(5) >= limit) {
      TakeOldest(queue, out);
      FUZZ_CHECK(queue.CheckInvariants());
    }
  }
  CheckQueuedBytes(queue);
  while (queue.Count() > 0)
    TakeOldest(queue, out);
  FUZZ_CHECK(queue.QueuedBytes(5) == 0);
  return out;
}

void CheckFrame(const uint8_t *frame, std::size_t size) {
  FUZZ_CHECK(size >= 5 && size <= kMaxWireFrame);
  FUZZ_CHECK(ReadLength(frame) == size);
}

void SetUpTable() {
  static bool done = false;
  if (done) return;
  done = true;
  ResetGatewayTableForTesting();
  for (uint16_t id : {1, 5, 300})
    PT_GW_InsConf(id, "127.0.0.1", id);
}

// The room PT_GW_RcvMsg promises to stay within, and that of
// PT_GW_RcvTagData and PT_Tag_RcvMsg for the data alone.
constexpr std::size_t kFrameRoom = 8198;
constexpr std::size_t kDataRoom = 8190;

// One fetch, chosen by the generator; false once nothing is left to fetch.
bool FetchOnce(std::mt19937 &random) {
  static const uint32_t kIds[] = {0, 1, 5, 300, 9};
  const uint32_t gwId = kIds[random() % 5];
  switch (random() % 3) {
    case 0: {
      std::vector<uint8_t> buffer(kFrameRoom);
      const int32_t ready = PT_GW_RcvReady(gwId);
      const int32_t size = PT_GW_RcvMsg(gwId, buffer.data());
      FUZZ_CHECK(gwId == 9 ? size == -1 : size >= 0);
      FUZZ_CHECK(ready == size);
      if (size > 0) CheckFrame(buffer.data(), static_cast<std::size_t>(size));
      break;
    }
    case 1: {
      std::vector<uint8_t> buffer(kDataRoom);
      const int32_t ready = PT_GW_RcvReady(gwId);
      const int32_t size = PT_GW_RcvData(gwId);
      FUZZ_CHECK(ready == size);
      if (size > 0) FUZZ_CHECK(PT_GW_RcvTagData(buffer.data()) == (size > 8 ? size - 8 : 0));
      PT_GW_RcvAddr();
      PT_GW_RcvPort();
      PT_GW_RcvTagCmd();
      PT_GW_RcvTagNode();
      break;
    }
    default: {
      std::vector<uint8_t> buffer(kDataRoom);
      uint32_t tag = static_cast<uint32_t>(random());
      if (random() % 2) tag &= 0x00FF0300;
      int16_t command = (random() % 2) ? -1 : static_cast<int16_t>(random() % 0x60);
      int16_t status = 0;
      int16_t length = -5;
      const int32_t result = PT_Tag_RcvMsg(&tag, &command, &status, buffer.data(), &length);
      FUZZ_CHECK(result == 1 || result == 0 || result == -2);
      if (result == 1) FUZZ_CHECK(length >= 0 && static_cast<std::size_t>(length) <= kDataRoom);
      break;
    }
  }
  FUZZ_CHECK(LinkPart().RcvQueue->CheckInvariants());
  return LinkPart().RcvQueue->Count() > 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  if (size < 2) return 0;
  const uint8_t mode = data[0] % 4;
  std::mt19937 random(data[1]);
  const std::vector<uint8_t> stream(data + 2, data + size);

  std::mt19937 unused(0);
  const Outcome whole = Receive(stream, 0, unused);
  const Outcome cut = Receive(stream, mode, random, data[0] & 4);
  if (whole.notices.empty()) {
    FUZZ_CHECK(cut.frames == whole.frames);
    FUZZ_CHECK(cut.notices.empty());
  } else {
    FUZZ_CHECK(cut.frames.size() >= whole.frames.size());
    FUZZ_CHECK(std::equal(whole.frames.begin(), whole.frames.end(), cut.frames.begin()));
    FUZZ_CHECK(!cut.notices.empty() && cut.notices.front() == whole.notices.front());
  }
  for (const auto &frame : cut.frames)
    CheckFrame(frame.data(), frame.size());
  for (const auto &frame : whole.frames)
    CheckFrame(frame.data(), frame.size());

  SetUpTable();
  LinkPart().RcvQueue = std::make_unique<ReceiveQueue>();
  std::vector<std::string> notices;
  Feed(RegistryPart().GwTable[0], *LinkPart().RcvQueue, notices, stream.data(), stream.size());
  Feed(RegistryPart().GwTable[2], *LinkPart().RcvQueue, notices, stream.data(), stream.size());
  RegistryPart().GwTable[0].RcvBuf.clear();
  RegistryPart().GwTable[2].RcvBuf.clear();
  const std::size_t queued = LinkPart().RcvQueue->Count();
  for (std::size_t i = 0; i < 4 * queued + 8 && FetchOnce(random); ++i) {
  }
  std::vector<uint8_t> buffer(kFrameRoom);
  std::size_t drained = 0;
  while (PT_GW_RcvMsg(0, buffer.data()) > 0)
    FUZZ_CHECK(++drained <= queued);
  FUZZ_CHECK(PT_GW_RcvReady(0) == 0);
  FUZZ_CHECK(LinkPart().RcvQueue->Count() == 0);
  LinkPart().RcvQueue.reset();
  return 0;
}
