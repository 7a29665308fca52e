// SPDX-License-Identifier: MIT
// Every command of the export table on arbitrary arguments, drawn by the
// kinds of its arguments, with the frames captured instead of sent. Texts and
// byte runs live in buffers of exactly the size the caller promises, so a
// read past them is caught. Checked: every frame
// the builder wrote is 8 to 8200 bytes, its length field equals the count of
// bytes written (the sink gets those bytes, not as many as the length field
// says), bytes 3 to 5 are 0 and the port code is 0x60 or 0x61.
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

#include "commands/command_sender.h"
#include "fuzz_check.h"
#include "lib/export_family.h"
#include "link/frame.h"
#include "registry/gateway_table.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

class Input {
 public:
  Input(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}
  uint32_t U32() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
      value = (value << 8) | Byte();
    return value;
  }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  bool Empty() const { return at_ >= size_; }

  // A text ending in its zero byte, in a buffer of exactly its size; or null.
  const char *Text() {
    const uint8_t kind = Byte();
    if (kind % 8 == 0) return nullptr;
    std::size_t length = Byte();
    if (kind % 8 == 1) length = length * 64;  // now and then a long one
    auto &buffer = keep_.emplace_back(length + 1);
    for (std::size_t i = 0; i < length; ++i)
      buffer[i] = static_cast<uint8_t>(Byte() | 1);
    buffer[length] = 0;
    return reinterpret_cast<const char *>(buffer.data());
  }

  // The bytes a counted argument promises: a text for a negative 16-bit
  // count, exactly count bytes otherwise; or null.
  const uint8_t *Counted(int32_t count) {
    const int16_t n = static_cast<int16_t>(count);
    if (Byte() % 8 == 0) return nullptr;
    if (n < 0) return reinterpret_cast<const uint8_t *>(Text());
    auto &buffer = keep_.emplace_back(static_cast<std::size_t>(n));
    for (auto &b : buffer)
      b = Byte();
    return buffer.data();
  }

 private:
  const uint8_t *data_;
  std::size_t size_;
  std::size_t at_ = 0;
  std::vector<std::vector<uint8_t>> keep_;
};

// A count: small, at a limit, or anything.
int32_t Count(Input &in) {
  static const int32_t kEdges[] = {0,    1,    -1,   4094, 4095,   4096,   4097,
                                   8190, 8191, 8192, 8193, 0x8000, 0xFFFF, 0x10003};
  const uint8_t kind = in.Byte();
  if (kind % 3 == 0) return kEdges[in.Byte() % (sizeof kEdges / sizeof kEdges[0])];
  if (kind % 3 == 1) return in.Byte();
  return static_cast<int32_t>(in.U32());
}

// A number: small, at an edge, or anything.
uint32_t Number(Input &in) {
  const uint8_t kind = in.Byte();
  if (kind % 3 == 0) return in.Byte();
  if (kind % 3 == 1) return static_cast<uint32_t>(Count(in));
  return in.U32();
}

// The arguments of one call, drawn by the export table's kinds: numbers
// first, so that each counted argument gets exactly the bytes its count
// promises.
struct Drawn {
  uint32_t numbers[8] = {};
  const void *pointers[8] = {};
};

Drawn Draw(const char *kinds, Input &in) {
  Drawn drawn;
  const std::size_t count = std::strlen(kinds);
  for (std::size_t i = 0; i < count; ++i)
    drawn.numbers[i] = kinds[i] == 'c' ? static_cast<uint32_t>(Count(in)) : Number(in);
  for (std::size_t i = 0; i < count; ++i) {
    const bool counted = i + 1 < count && kinds[i + 1] == 'c';
    if (kinds[i] == 's' && !counted) drawn.pointers[i] = in.Text();
    if (counted) drawn.pointers[i] = in.Counted(static_cast<int32_t>(drawn.numbers[i + 1]));
  }
  return drawn;
}

// Only commands are called, and no command writes through a pointer; the
// other exports of the table are listed but never called.
template <typename T>
T Arg(const Drawn &, std::size_t) {
  static_assert(std::is_pointer_v<T>, "every argument type of a command is drawn below");
  return nullptr;
}
template <>
uint32_t Arg<uint32_t>(const Drawn &drawn, std::size_t i) {
  return drawn.numbers[i];
}
template <>
int32_t Arg<int32_t>(const Drawn &drawn, std::size_t i) {
  return static_cast<int32_t>(drawn.numbers[i]);
}
template <>
const char *Arg<const char *>(const Drawn &drawn, std::size_t i) {
  return static_cast<const char *>(drawn.pointers[i]);
}
template <>
const uint8_t *Arg<const uint8_t *>(const Drawn &drawn, std::size_t i) {
  return static_cast<const uint8_t *>(drawn.pointers[i]);
}

template <typename F>
struct Caller;
template <typename... A>
struct Caller<int32_t (*)(A...)> {
  template <int32_t (*F)(A...), std::size_t... I>
  static void Call(const Drawn &drawn, std::index_sequence<I...>) {
    F(Arg<A>(drawn, I)...);
  }
  template <int32_t (*F)(A...)>
  static void Call(const char *kinds, Input &in) {
    Call<F>(Draw(kinds, in), std::index_sequence_for<A...>{});
  }
};

struct Command {
  void (*call)(const char *kinds, Input &in);
  const char *kinds;
};

// Every command of the export table.
std::vector<Command> Commands() {
  std::vector<Command> commands;
#define ROVIRO2_EXPORT(ordinal, name, kinds, names, family) \
  if (family == kCommand) commands.push_back({&Caller<decltype(&name)>::Call<&name>, kinds});
#include "lib/export_table.inc"
#undef ROVIRO2_EXPORT
  return commands;
}

int32_t CheckFrame(uint16_t, const std::vector<uint8_t> &frame) {
  FUZZ_CHECK(frame.size() >= kHeaderSize && frame.size() <= kCommandBufferSize);
  FUZZ_CHECK(ReadLength(frame.data()) == frame.size());
  FUZZ_CHECK(frame[3] == 0 && frame[4] == 0 && frame[5] == 0);
  FUZZ_CHECK(frame[kPortCodeOffset] == kPortCode1 || frame[kPortCodeOffset] == kPortCode2);
  return 0;
}

void SetUp() {
  static bool done = false;
  if (done) return;
  done = true;
  ResetGatewayTableForTesting();
  for (uint16_t id : {1, 2, 3})
    PT_GW_InsConf(id, "127.0.0.1", id);
  SetCommandSinkForTesting(CheckFrame);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  SetUp();
  static const std::vector<Command> commands = Commands();
  Input in(data, size);
  for (int i = 0; i < 8 && !in.Empty(); ++i) {
    const Command &command = commands[in.Byte() % commands.size()];
    command.call(command.kinds, in);
  }
  return 0;
}
