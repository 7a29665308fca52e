// SPDX-License-Identifier: MIT
// The receive queue's two orders and the storage behind them.
#include <gtest/gtest.h>

#include <vector>

#include "link/frame_arena.h"
#include "link/rcv_queue.h"

namespace roviro2 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Frame(uint8_t gateway, uint8_t tag, std::size_t length = 9) {
  Bytes frame(length, tag);
  frame[0] = static_cast<uint8_t>(length);
  frame[1] = static_cast<uint8_t>(length >> 8);
  frame[4] = gateway;
  return frame;
}

// `count` frames of `length` bytes back to back, frame i tagged i (mod 256).
Bytes Burst(int count, std::size_t length) {
  Bytes read;
  for (int i = 0; i < count; ++i) {
    const Bytes frame = Frame(0, static_cast<uint8_t>(i), length);
    read.insert(read.end(), frame.begin(), frame.end());
  }
  return read;
}

// The last byte of each frame in the given order.
Bytes Tags(const ReceiveQueue &queue, int gateway) {
  Bytes tags;
  for (auto id = queue.First(gateway); id != ReceiveQueue::kNoEntry; id = queue.Next(id, gateway)) {
    const ByteView view = queue.View(id);
    tags.push_back(view.data[view.size - 1]);
  }
  return tags;
}

TEST(RcvQueue, KeepsGlobalAndPerGatewayOrderAcrossRemovalsAnywhere) {
  ReceiveQueue queue;
  for (uint8_t i = 1; i <= 9; ++i)
    queue.Push(Frame(i % 3, i));
  EXPECT_TRUE(queue.CheckInvariants());
  EXPECT_EQ(Tags(queue, ReceiveQueue::kAnyGateway), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(Tags(queue, 1), (Bytes{1, 4, 7}));
  auto middle = queue.Next(queue.First(1), 1);  // frame 4
  queue.Remove(middle);
  EXPECT_TRUE(queue.CheckInvariants());
  queue.Remove(queue.First(2));  // frame 2
  EXPECT_TRUE(queue.CheckInvariants());
  queue.Remove(queue.First());  // frame 1
  EXPECT_TRUE(queue.CheckInvariants());
  EXPECT_EQ(Tags(queue, ReceiveQueue::kAnyGateway), (Bytes{3, 5, 6, 7, 8, 9}));
  EXPECT_EQ(Tags(queue, 1), (Bytes{7}));
  EXPECT_EQ(Tags(queue, 2), (Bytes{5, 8}));
  EXPECT_EQ(Tags(queue, 0), (Bytes{3, 6, 9}));
  EXPECT_EQ(queue.Count(), 6u);
  queue.Push(Frame(1, 10));
  EXPECT_TRUE(queue.CheckInvariants());
  EXPECT_EQ(Tags(queue, 1), (Bytes{7, 10})) << "a reused record goes to the back";
  EXPECT_EQ(queue.First(256), ReceiveQueue::kNoEntry);
  EXPECT_EQ(queue.View(ReceiveQueue::kNoEntry).size, 0u);
  queue.Remove(middle);  // no longer holds a frame: ignored
  EXPECT_TRUE(queue.CheckInvariants());
  EXPECT_EQ(queue.Count(), 7u);
}

// Frames of one gateway queued back to back share a run; removing any of
// them, or frames of others in between, keeps both orders intact.
TEST(RcvQueue, FramesQueuedBackToBackKeepTheirOrdersThroughRemovals) {
  ReceiveQueue queue;
  Bytes read;
  for (uint8_t i = 1; i <= 5; ++i) {
    const Bytes frame = Frame(0, i, 8 + i);
    read.insert(read.end(), frame.begin(), frame.end());
  }
  read.push_back(0x20);  // the first byte of an incomplete frame
  EXPECT_EQ(queue.PushFrames(read.data(), read.size(), 7), read.size() - 1);
  queue.Push(Frame(8, 6));
  EXPECT_TRUE(queue.CheckInvariants());
  queue.PushMarked(Frame(0, 7).data(), 9, 7);
  EXPECT_TRUE(queue.CheckInvariants());
  Bytes odd = Frame(0, 8);
  odd[0] = 50;  // a size that differs from its length field
  queue.PushMarked(odd.data(), odd.size(), 7);
  EXPECT_TRUE(queue.CheckInvariants());
  queue.PushMarked(Frame(0, 9).data(), 9, 7);
  EXPECT_TRUE(queue.CheckInvariants());
  EXPECT_EQ(Tags(queue, 7), (Bytes{1, 2, 3, 4, 5, 7, 8, 9}));
  EXPECT_EQ(queue.View(queue.First()).data[4], 7) << "marked";

  queue.Remove(queue.Next(queue.Next(queue.First(7), 7), 7));  // 3, inside the run
  EXPECT_TRUE(queue.CheckInvariants());
  EXPECT_EQ(Tags(queue, ReceiveQueue::kAnyGateway), (Bytes{1, 2, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(Tags(queue, 7), (Bytes{1, 2, 4, 5, 7, 8, 9}));
  auto fifth = queue.First(7);
  for (int i = 0; i < 3; ++i)
    fifth = queue.Next(fifth, 7);
  queue.Remove(fifth);  // 5, the end of the run
  EXPECT_TRUE(queue.CheckInvariants());
  Bytes taken(16);
  EXPECT_EQ(queue.Take(7, taken.data()), 9u);  // 1, the head
  EXPECT_EQ(taken[8], 1);
  EXPECT_EQ(Tags(queue, ReceiveQueue::kAnyGateway), (Bytes{2, 4, 6, 7, 8, 9}));
  EXPECT_EQ(Tags(queue, 7), (Bytes{2, 4, 7, 8, 9}));
  EXPECT_EQ(Tags(queue, 8), (Bytes{6}));
  EXPECT_EQ(queue.Count(), 6u);
  EXPECT_EQ(queue.Take(9, taken.data()), 0u);
  Bytes drained;
  while (const std::size_t size = queue.Take(ReceiveQueue::kAnyGateway, taken.data()))
    drained.push_back(taken[size - 1]);
  EXPECT_EQ(drained, (Bytes{2, 4, 6, 7, 8, 9}));
  EXPECT_EQ(queue.Count(), 0u);
}

TEST(RcvQueue, AReadLargerThanAChunkIsQueuedWholeAndInOrder) {
  ReceiveQueue queue;
  const Bytes read = Burst(20000, 15);
  ASSERT_GT(read.size(), FrameArena::kChunkSize);
  EXPECT_EQ(queue.PushFrames(read.data(), read.size(), 3), read.size());
  EXPECT_EQ(queue.Count(), 20000u);
  Bytes frame(15);
  for (int i = 0; i < 20000; ++i) {
    ASSERT_EQ(queue.Take(3, frame.data()), 15u);
    ASSERT_EQ(frame[14], static_cast<uint8_t>(i)) << i;
    ASSERT_EQ(frame[4], 3);
  }
  EXPECT_EQ(queue.First(), ReceiveQueue::kNoEntry);
}

// A chunk is addressed in 64 KiB pages: the frames of one read that start
// in different pages are kept apart, and removing those at the border (the
// one that runs into the next page, and its neighbours) keeps both orders
// and the chunk's holds right.
TEST(RcvQueue, FramesAroundAPageBorderAreRemovedAndTakenInOrder) {
  ReceiveQueue queue;
  const Bytes read = Burst(200, 1000);
  ASSERT_EQ(queue.PushFrames(read.data(), read.size(), 5), read.size());
  ASSERT_TRUE(queue.CheckInvariants());
  const auto nth = [&](int n) {
    auto id = queue.First(5);
    for (int i = 0; i < n; ++i)
      id = queue.Next(id, 5);
    return id;
  };
  const std::size_t across = FrameArena::kPageSize / 1000;        // 65: from 65000 to 66000
  for (const std::size_t index : {across, across, across - 1}) {  // 65, 66, then 64
    queue.Remove(nth(static_cast<int>(index)));
    ASSERT_TRUE(queue.CheckInvariants()) << index;
  }
  Bytes frame(1000);
  for (int i = 0; i < 200; ++i) {
    if (i >= 64 && i <= 66) continue;
    ASSERT_EQ(queue.Take(ReceiveQueue::kAnyGateway, frame.data()), 1000u);
    ASSERT_EQ(frame[999], static_cast<uint8_t>(i));
  }
  EXPECT_TRUE(queue.Empty());
  EXPECT_TRUE(queue.CheckInvariants());
}

// Frames that run past the end of a chunk's part are stored whole in the
// next part: none is cut, lost or doubled, whatever its size.
class LongReads : public testing::TestWithParam<std::size_t> {};

TEST_P(LongReads, FramesCrossingPartsAreQueuedWholeAndInOrder) {
  const std::size_t length = GetParam();
  ReceiveQueue queue;
  const int count = static_cast<int>(3 * FrameArena::kChunkSize / length + 2);
  Bytes read = Burst(count, length);
  read.insert(read.end(), {0x10, 0x00, 0x60});  // an incomplete frame stays out
  EXPECT_EQ(queue.PushFrames(read.data(), read.size(), 4), read.size() - 3);
  EXPECT_TRUE(queue.CheckInvariants());
  Bytes frame(length);
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(queue.Take(4, frame.data()), length);
    ASSERT_EQ(frame[length - 1], static_cast<uint8_t>(i)) << i;
    ASSERT_EQ(frame[4], 4);
  }
  EXPECT_EQ(queue.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LongReads, testing::Values(1023, 1024, 5000, 8198));

// Records of TakeMany: size, gateway byte when asked for, then the frame.
struct Record {
  std::size_t size;
  uint8_t gateway;
  uint8_t tag;
};

std::vector<Record> Records(const Bytes &out, std::size_t used, bool withGateway) {
  std::vector<Record> records;
  const std::size_t header = ReceiveQueue::RecordHeader(withGateway);
  for (std::size_t at = 0; at < used;) {
    const std::size_t size = out[at] | out[at + 1] << 8;
    const uint8_t gateway = withGateway ? out[at + 2] : out[at + header + 4];
    records.push_back({size, gateway, out[at + header + size - 1]});
    at += header + size;
  }
  return records;
}

TEST(RcvQueue, TakeManyCopiesWholeFramesInOrderAndKeepsWhatDoesNotFit) {
  ReceiveQueue queue;
  Bytes read;
  for (uint8_t i = 1; i <= 3; ++i) {
    const Bytes frame = Frame(0, i, 9 + i);
    read.insert(read.end(), frame.begin(), frame.end());
  }
  queue.PushFrames(read.data(), read.size(), 1);  // 1, 2, 3 as one run
  queue.Push(Frame(2, 4));
  Bytes odd = Frame(1, 5);
  odd[0] = 50;  // a size that differs from its length field
  queue.Push(odd);
  queue.Push(Frame(1, 6, 30));
  Bytes out(200);

  // One gateway's frames, across runs, leaving the other's.
  ReceiveQueue::Taken taken = queue.TakeMany(1, out.data(), 2 + 10 + 2 + 11 + 2 + 9, false);
  EXPECT_EQ(taken.frames, 2u) << "the third frame's record has no room";
  EXPECT_EQ(taken.needed, 2u + 12);
  std::vector<Record> records = Records(out, taken.used, false);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].size, 11u);
  EXPECT_EQ(records[1].tag, 2);
  EXPECT_TRUE(queue.CheckInvariants());

  // Too small for even the next frame: nothing is taken.
  taken = queue.TakeMany(ReceiveQueue::kAnyGateway, out.data(), 14, true);
  EXPECT_EQ(taken.frames, 0u);
  EXPECT_EQ(taken.used, 0u);
  EXPECT_EQ(taken.needed, 4u + 12);
  EXPECT_EQ(queue.Count(), 4u);

  taken = queue.TakeMany(ReceiveQueue::kAnyGateway, out.data(), out.size(), true);
  EXPECT_EQ(taken.frames, 4u);
  EXPECT_EQ(taken.needed, 0u);
  records = Records(out, taken.used, true);
  ASSERT_EQ(records.size(), 4u);
  const std::vector<std::pair<uint8_t, uint8_t>> expected{{3, 1}, {4, 2}, {5, 1}, {6, 1}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(records[i].tag, expected[i].first) << i;
    EXPECT_EQ(records[i].gateway, expected[i].second) << i;
  }
  EXPECT_EQ(records[2].size, 9u) << "the stored size, not the length field";
  EXPECT_EQ(queue.Count(), 0u);
  EXPECT_TRUE(queue.CheckInvariants());
}

TEST(RcvQueue, FramesOfAReadStopAtTheFirstLengthNoFrameCanHave) {
  ReceiveQueue queue;
  for (const Bytes &bad : {Bytes{4, 0, 0, 0, 0}, Bytes{0x07, 0x20, 0, 0, 0, 0, 0}}) {
    Bytes read = Frame(1, 1);
    read.insert(read.end(), bad.begin(), bad.end());
    EXPECT_EQ(queue.PushFrames(read.data(), read.size(), 1), 9u);
  }
  EXPECT_EQ(queue.PushFrames(nullptr, 9, 1), 0u);
  EXPECT_EQ(queue.Count(), 2u);
  // Far from the end of a long read, where only the length field is
  // checked, and near it.
  for (const std::size_t badAt : {500, 1990}) {
    Bytes read;
    for (std::size_t i = 0; i < 2000; ++i) {
      const Bytes frame = i == badAt ? Bytes{0x07, 0x20, 0, 0, 0, 0, 0, 0, 0} : Frame(1, 1);
      read.insert(read.end(), frame.begin(), frame.end());
    }
    EXPECT_EQ(queue.PushFrames(read.data(), read.size(), 1), 9 * badAt) << badAt;
  }
}

TEST(RcvQueue, RefusesFramesNoReceiverCanProduce) {
  ReceiveQueue queue;
  EXPECT_FALSE(queue.Push(Bytes(4, 4)));
  EXPECT_FALSE(queue.Push(nullptr, 9));
  EXPECT_FALSE(queue.Push(Bytes(8199, 0)));
  EXPECT_TRUE(queue.Push(Frame(3, 0, 5)));
  const Bytes frame = Frame(3, 1);
  EXPECT_TRUE(queue.PushMarked(frame.data(), frame.size(), 77));
  EXPECT_EQ(queue.View(queue.First(77)).data[4], 77);
  EXPECT_EQ(frame[4], 3) << "the source is copied, not marked";
}

TEST(RcvQueue, DrainingALargeBacklogGivesItsMemoryBack) {
  ReceiveQueue queue;
  for (int i = 0; i < 100000; ++i)
    queue.Push(Frame(static_cast<uint8_t>(i), 1, 15));
  EXPECT_TRUE(queue.CheckInvariants());
  for (int g = 0; g < 256; ++g) {
    while (queue.First(g) != ReceiveQueue::kNoEntry)
      queue.Remove(queue.First(g));
  }
  EXPECT_TRUE(queue.CheckInvariants());
  EXPECT_EQ(queue.Count(), 0u);
  EXPECT_EQ(queue.First(), ReceiveQueue::kNoEntry);
}

TEST(FrameArena, SharesChunksAmongSmallFramesAndFreesThemWhenEmpty) {
  FrameArena arena;
  const Bytes small(100, 1);
  const Bytes large(5000, 2);
  std::vector<FrameRef> refs;
  for (int i = 0; i < 1000; ++i)
    refs.push_back(arena.Store(small.data(), small.size()));
  const FrameRef big = arena.Store(large.data(), large.size());
  EXPECT_EQ(arena.ChunksInUse(), 1000 * 100 / FrameArena::kChunkSize + 2);
  EXPECT_EQ(arena.At(refs[500])[0], 1);
  EXPECT_EQ(arena.At(big)[4999], 2);
  arena.Release(big);
  for (const FrameRef &ref : refs)
    arena.Release(ref);
  EXPECT_EQ(arena.ChunksInUse(), 1u) << "only the open chunk stays";
  const FrameRef again = arena.Store(small.data(), small.size());
  EXPECT_EQ(arena.At(again)[99], 1);
}

}  // namespace
}  // namespace roviro2
