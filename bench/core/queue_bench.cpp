// SPDX-License-Identifier: MIT
// The receive queue under load: N frames from 256 gateways, arriving in
// turn, drained gateway by gateway. The time per fetched frame at large N is
// set beside the time at N = 1,000; the memory per queued frame is read
// from the allocator.
#include <malloc.h>

#include <chrono>
#include <string>

#include "harness/compare.h"
#include "harness/frames.h"
#include "link/link_state.h"
#include "link/rcv_queue.h"
#include "link/receiver.h"
#include "platform/clock.h"
#include "registry/gateway_table.h"
#include "roviro2.h"
#include "support/library_session.h"

namespace bench {

namespace {

constexpr int kGateways = 256;
constexpr double kScalingTarget = 2.0;
constexpr double kOverheadTarget = 32.0;
constexpr int64_t kSmallN = 1000;
constexpr int64_t kMiddleN = 100000;
constexpr int64_t kLargeN = 1000000;

// The library opened with gateways 1 to 256 in its table (never connected).
// Gateway 256 marks its frames with byte 0, which only ID 0 fetches.
class GatewayTable {
 public:
  GatewayTable() {
    for (int id = 1; id <= kGateways; ++id)
      session_.AddGateway(static_cast<uint16_t>(id), static_cast<uint16_t>(10000 + id));
  }

  // Queues n 15-byte frames, one read per frame, the gateways in turn.
  void Fill(int64_t n) {
    const Bytes frame = MakeFrame(kSmallFrame);
    const roviro2::NoticeSink quiet;
    const double now = roviro2::NowDays();
    for (int64_t i = 0; i < n; ++i) {
      roviro2::ReceiveBytes(roviro2::RegistryPart().GwTable[i % kGateways], frame.data(),
                            frame.size(), now, *roviro2::LinkPart().RcvQueue, quiet);
    }
  }

 private:
  roviro2_test::LibrarySession session_;
};

int64_t DrainByGateway() {
  uint8_t frame[kLargestFrame];
  int64_t fetched = 0;
  for (uint32_t id = 1; id < kGateways; ++id) {
    while (PT_GW_RcvMsg(id, frame) > 0)
      ++fetched;
  }
  while (PT_GW_RcvMsg(0, frame) > 0)
    ++fetched;
  return fetched;
}

// All frames of gateway byte `gateway` (0: of any gateway).
int64_t DrainTags(uint32_t gateway) {
  uint8_t data[kLargestFrame];
  int64_t fetched = 0;
  for (;;) {
    uint32_t tagAddr = gateway << 16;
    int16_t command = -1;
    int16_t status = 0;
    int16_t dataLength = 0;
    if (PT_Tag_RcvMsg(&tagAddr, &command, &status, data, &dataLength) != 1) return fetched;
    ++fetched;
  }
}

int64_t DrainByTag() {
  int64_t fetched = 0;
  for (uint32_t id = 1; id < kGateways; ++id)
    fetched += DrainTags(id);
  return fetched + DrainTags(0);
}

// Times only the drain; the fill of every iteration is left out.
void Drain(benchmark::State &state, int64_t n, int64_t (*drain)()) {
  GatewayTable table;
  for (auto _ : state) {
    table.Fill(n);
    const auto start = std::chrono::steady_clock::now();
    const int64_t fetched = drain();
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (fetched != n) return state.SkipWithError("frames lost or left over");
  }
  state.SetItemsProcessed(state.iterations() * n);
}

std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void QueuedFrameMemory(benchmark::State &state) {
  GatewayTable table;
  for (auto _ : state) {
    const std::size_t before = HeapInUse();
    table.Fill(kLargeN);
    const double perFrame = static_cast<double>(HeapInUse() - before) / kLargeN;
    state.counters["overhead_bytes"] = perFrame - kSmallFrame;
    DrainByGateway();
  }
}

std::string Registered(const std::string &how, int64_t n, int64_t (*drain)()) {
  const std::string name = "queue/" + how + "/" + std::to_string(n);
  // Enough frames per figure for a stable median, at most a few seconds.
  const int64_t iterations = n >= kLargeN ? 2 : 2 * kLargeN / n;
  benchmark::RegisterBenchmark(name.c_str(),
                               [n, drain](benchmark::State &state) { Drain(state, n, drain); })
      ->UseManualTime()
      ->Iterations(iterations);
  return name;
}

void CompareScaling(const std::string &how, const std::string &fetch, int64_t (*drain)()) {
  const std::string small = Registered(how, kSmallN, drain);
  const std::string middle = Registered(how, kMiddleN, drain);
  const std::string large = Registered(how, kLargeN, drain);
  AddRow({"Drain with " + fetch + ", per frame: N = 100,000 against 1,000",
          middle,
          small,
          Measure::kNsPerItem,
          Goal::kNone,
          0,
          {}});
  AddRow({"Drain with " + fetch + ", per frame: N = 1,000,000 against 1,000",
          large,
          small,
          Measure::kNsPerItem,
          Goal::kAtMost,
          kScalingTarget,
          {}});
}

const bool kRegistered = [] {
  CompareScaling("by-gateway", "PT_GW_RcvMsg(id)", DrainByGateway);
  CompareScaling("by-tag", "PT_Tag_RcvMsg filtered by gateway", DrainByTag);
  benchmark::RegisterBenchmark("queue/memory", QueuedFrameMemory)->Iterations(1);
  AddRow({"Memory per queued 15-byte frame beyond its bytes", "queue/memory", "", Measure::kBytes,
          Goal::kAtMost, kOverheadTarget, "overhead_bytes"});
  return true;
}();

}  // namespace

}  // namespace bench
