// SPDX-License-Identifier: MIT
// Receiving: a loopback gateway streams frames without pause; the library's
// application loop (PT_GW_Status, then fetch) against a plain loop of recv
// calls that cuts the frames by their length fields and copies each out.
#include "harness/compare.h"
#include "harness/peers.h"
#include "link/connected_library.h"
#include "roviro2_ext.h"

namespace bench {

namespace {

constexpr double kReceiveTarget = 0.8;
// Long frames with the peer on the application's processor: every copy the
// library adds takes time from the peer as well.
constexpr double kLongSameCoreTarget = 0.9;
constexpr std::size_t kStreamBlock = 256 * 1024;
// Fetching a burst in one call leaves the library little beyond the raw loop.
constexpr double kManyTarget = 0.95;

// Fetches one frame per iteration with fetch(buffer), which returns the
// frame's size, or 0 when none is queued.
template <typename Fetch>
void LibraryReceive(benchmark::State &state, std::size_t length, Fetch fetch) {
  Peer streamer(StreamerRole(RepeatedFrames(length, kStreamBlock)));
  ConnectedLibrary library({streamer.Port()});
  if (!streamer.Listening() || !library.Ready()) return state.SkipWithError("no connection");
  Bytes buffer(kLargestFrame);
  const auto fetchOne = [&] { return fetch(buffer.data()); };
  for (auto _ : state) {
    int32_t size = fetchOne();
    if (size == 0) size = AwaitFrame(fetchOne);
    if (static_cast<std::size_t>(size) != length) return state.SkipWithError("wrong frame");
  }
  state.SetItemsProcessed(state.iterations());
}

// Fetches what is queued with one roviro2_fetch_frames call per iteration,
// and polls only when nothing was; the rate counts frames.
void LibraryReceiveMany(benchmark::State &state, std::size_t length) {
  Peer streamer(StreamerRole(RepeatedFrames(length, kStreamBlock)));
  ConnectedLibrary library({streamer.Port()});
  if (!streamer.Listening() || !library.Ready()) return state.SkipWithError("no connection");
  Bytes buffer(kStreamBlock);
  const auto fetchMany = [&] {
    uint32_t used = 0;
    return roviro2_fetch_frames(kGateway, buffer.data(), kStreamBlock, &used);
  };
  int64_t frames = 0;
  for (auto _ : state) {
    int32_t got = fetchMany();
    if (got == 0) got = AwaitFrame(fetchMany);
    if (got <= 0) return state.SkipWithError("no frames");
    frames += got;
  }
  state.SetItemsProcessed(frames);
}

void PlainReceive(benchmark::State &state, std::size_t length) {
  Peer streamer(StreamerRole(RepeatedFrames(length, kStreamBlock)));
  int fd = ConnectLoopback(streamer.Port());
  if (fd < 0) return state.SkipWithError("no connection");
  FrameCutter cutter(2 * kStreamBlock);
  Bytes frame(kLargestFrame);
  for (auto _ : state) {
    std::size_t size;
    while ((size = cutter.Next(frame.data())) == 0) {
      const std::size_t got = ReceiveSome(fd, cutter.Space(), cutter.SpaceSize());
      if (got == 0) break;
      cutter.Filled(got);
    }
    if (size != length) {
      CloseFd(fd);
      return state.SkipWithError("wrong frame");
    }
  }
  CloseFd(fd);
  state.SetItemsProcessed(state.iterations());
}

int32_t FetchByGateway(uint8_t *buffer) {
  return PT_GW_RcvMsg(kGateway, buffer);
}

// PT_Tag_RcvMsg for any tag of gateway 1; the frame's size, from its data.
int32_t FetchByTag(uint8_t *buffer) {
  uint32_t tagAddr = 0x00010000;
  int16_t command = -1;
  int16_t status = 0;
  int16_t dataLength = 0;
  const int32_t got = PT_Tag_RcvMsg(&tagAddr, &command, &status, buffer, &dataLength);
  return got == 1 ? dataLength + 8 : got;  // the streamed frames carry no status byte
}

double TargetFor(std::size_t length) {
  const bool sameCore = RunPlacement() == Placement::kSame;
  return length == kLargestFrame && sameCore ? kLongSameCoreTarget : kReceiveTarget;
}

void CompareStream(const std::string &frames, std::size_t length) {
  const std::string name = "receive/" + std::to_string(length);
  const std::string reference = Timed(
      name + "/reference", [length](benchmark::State &state) { PlainReceive(state, length); });
  const auto row = [&](const char *fetchName, const std::string &suffix, auto fetch) {
    AddRow(
        {"Receive " + frames + ", PT_GW_Status + " + fetchName,
         Timed(name + suffix,
               [length, fetch](benchmark::State &state) { LibraryReceive(state, length, fetch); }),
         reference,
         Measure::kRate,
         Goal::kAtLeast,
         TargetFor(length),
         {}});
  };
  row("PT_GW_RcvMsg", "/by-gateway", FetchByGateway);
  row("PT_Tag_RcvMsg", "/by-tag", FetchByTag);
  AddRow({"Receive " + frames + ", PT_GW_Status + roviro2_fetch_frames",
          Timed(name + "/many",
                [length](benchmark::State &state) { LibraryReceiveMany(state, length); }),
          reference,
          Measure::kRate,
          Goal::kAtLeast,
          kManyTarget,
          {}});
}

const bool kRegistered = [] {
  CompareStream("15-byte frames", kSmallFrame);
  CompareStream("8198-byte frames", kLargestFrame);
  return true;
}();

}  // namespace

}  // namespace bench
