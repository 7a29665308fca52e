// SPDX-License-Identifier: MIT
// Reassembly in memory: a stream of mixed frames fed to the receiver in reads
// of random size, against memcpy of the same reads.
#include <chrono>
#include <cstring>
#include <random>

#include "harness/compare.h"
#include "harness/frames.h"
#include "link/rcv_queue.h"
#include "link/receiver.h"

namespace bench {

namespace {

constexpr std::size_t kStreamBytes = 4 << 20;
constexpr std::size_t kLargestRead = 64 * 1024;

// Frames of 15 bytes (four in ten), short ones up to 512 bytes and long
// ones up to the largest; the sizes are the same in every run.
Bytes MixedStream() {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_int_distribution<std::size_t> shortFrame(8, 512);
  std::uniform_int_distribution<std::size_t> longFrame(513, kLargestFrame);
  Bytes stream;
  while (stream.size() < kStreamBytes) {
    const int which = kind(random);
    const std::size_t length = which < 4   ? kSmallFrame
                               : which < 7 ? shortFrame(random)
                                           : longFrame(random);
    const Bytes frame = MakeFrame(length);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  return stream;
}

// Read sizes from 1 byte to 64 KiB that add up to `total`.
std::vector<std::size_t> ReadSizes(std::size_t total) {
  std::mt19937 random(11);
  std::uniform_int_distribution<std::size_t> size(1, kLargestRead);
  std::vector<std::size_t> sizes;
  for (std::size_t left = total; left > 0;) {
    sizes.push_back(std::min(left, size(random)));
    left -= sizes.back();
  }
  return sizes;
}

struct Feed {
  Bytes stream = MixedStream();
  std::vector<std::size_t> reads = ReadSizes(stream.size());
};

const Feed &TheFeed() {
  static const Feed feed;
  return feed;
}

// Times `consume(bytes, size)` over every read of the stream, and `settle()`
// outside the time after each pass.
template <typename Consume, typename Settle>
void TimeReads(benchmark::State &state, Consume consume, Settle settle) {
  const Feed &feed = TheFeed();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const uint8_t *bytes = feed.stream.data();
    for (std::size_t size : feed.reads) {
      consume(bytes, size);
      bytes += size;
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!settle()) return state.SkipWithError("frames lost");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(feed.stream.size()));
}

void Reassemble(benchmark::State &state) {
  roviro2::TMyTCP2 slot;
  slot.IPAddr.ID = 1;
  slot.RcvTimeOut = 1.0;
  roviro2::ReceiveQueue queue;
  const roviro2::NoticeSink quiet;
  std::size_t queuedBytes = 0;
  TimeReads(
      state,
      [&](const uint8_t *bytes, std::size_t size) {
        roviro2::ReceiveBytes(slot, bytes, size, 0.0, queue, quiet);
      },
      [&] {
        queuedBytes = 0;
        for (auto id = queue.First(); id != roviro2::ReceiveQueue::kNoEntry; id = queue.First()) {
          queuedBytes += queue.View(id).size;
          queue.Remove(id);
        }
        return queuedBytes == TheFeed().stream.size() && slot.RcvBuf.empty();
      });
}

void Copy(benchmark::State &state) {
  Bytes target(TheFeed().stream.size());
  std::size_t offset = 0;
  TimeReads(
      state,
      [&](const uint8_t *bytes, std::size_t size) {
        std::memcpy(target.data() + offset, bytes, size);
        offset += size;
      },
      [&] {
        benchmark::DoNotOptimize(target.data());
        offset = 0;
        return true;
      });
}

const bool kRegistered = [] {
  const std::string figure = "reassembly/library";
  const std::string reference = "reassembly/memcpy";
  benchmark::RegisterBenchmark(figure.c_str(), Reassemble)->UseManualTime();
  benchmark::RegisterBenchmark(reference.c_str(), Copy)->UseManualTime();
  AddRow({"Reassembly of mixed frames in random reads (ref: memcpy)",
          figure,
          reference,
          Measure::kMBPerSec,
          Goal::kNone,
          0,
          {}});
  return true;
}();

}  // namespace

}  // namespace bench
