// SPDX-License-Identifier: MIT
// Every command function on arbitrary arguments, with the frames captured
// instead of sent. Texts and byte runs live in buffers of exactly the size
// the caller promises, so a read past them is caught. Checked: every frame
// the builder wrote is 8 to 8200 bytes, its length field equals the count of
// bytes written (the sink gets those bytes, not as many as the length field
// says), bytes 3 to 5 are 0 and the port code is 0x60 or 0x61.
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "commands/command_sender.h"
#include "fuzz_check.h"
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

using Call = std::function<void(Input &)>;

std::vector<Call> Calls() {
  using U = uint32_t;
  return {
      [](Input &in) { PT_Tag_Reset(in.U32()); },
      [](Input &in) { PT_Tag_ChgAddr(in.U32(), in.U32()); },
      [](Input &in) { PT_GW_SetPollRang(in.U32(), static_cast<int32_t>(in.U32()), in.U32()); },
      [](Input &in) { PT_GW_TagDiag(in.Byte() % 4, static_cast<int32_t>(in.Byte() % 4)); },
      [](Input &in) {
        PT_LB_DspNum(in.U32(), static_cast<int32_t>(in.U32()) % 2000000, in.U32(),
                     static_cast<int32_t>(in.U32()));
      },
      [](Input &in) {
        U t = in.U32(), x = in.U32();
        int32_t m = static_cast<int32_t>(in.U32());
        PT_LB_DspStr(t, in.Text(), x, m);
      },
      [](Input &in) {
        U t = in.U32();
        int32_t m = static_cast<int32_t>(in.U32());
        PT_LB_DspStr2(t, in.Text(), m);
      },
      [](Input &in) { PT_LB_DspOff(in.U32()); },
      [](Input &in) { PT_LB_DspAddr(in.U32()); },
      [](Input &in) { PT_LB_LedOn(in.U32(), in.U32(), in.U32()); },
      [](Input &in) { PT_LB_BuzOn(in.U32(), in.U32()); },
      [](Input &in) { PT_LB_SetMode(in.U32(), in.U32()); },
      [](Input &in) { PT_LB_Simulate(in.U32(), in.U32()); },
      [](Input &in) { PT_LB_SetLock(in.U32(), in.U32(), in.U32()); },
      [](Input &in) {
        U t = in.U32();
        int32_t m = static_cast<int32_t>(in.U32());
        PT_LB2_DspStr(t, in.Text(), m);
      },
      [](Input &in) { PT_LB2_SetRows(in.U32(), static_cast<int32_t>(in.U32())); },
      [](Input &in) {
        U t = in.U32(), lead = in.U32();
        PT_LB2_Download(t, lead, in.Text());
      },
      [](Input &in) { PT_CCD_Rescan(in.U32()); },
      [](Input &in) {
        U t = in.U32();
        int32_t n = Count(in);
        PT_CNV_SendData(t, in.Counted(n), n);
      },
      [](Input &in) { PT_CNV_SetTerminator(in.U32(), in.U32()); },
      [](Input &in) { PT_DCS_InputMode(in.U32(), in.U32()); },
      [](Input &in) { PT_DCS_BufSize(in.U32(), in.U32()); },
      [](Input &in) { PT_DCS_SetConf(in.U32(), in.U32(), in.U32()); },
      [](Input &in) { PT_DCS_ReqConf(in.U32()); },
      [](Input &in) { PT_DCS_GetVer(in.U32()); },
      [](Input &in) { PT_DCS_Reset(in.U32()); },
      [](Input &in) { PT_DCS_SetRows(in.U32(), in.U32()); },
      [](Input &in) { PT_DCS_SimulateKey(in.U32(), in.U32()); },
      [](Input &in) { PT_DCS_Cls(in.U32()); },
      [](Input &in) { PT_DCS_Buzzer(in.U32(), in.U32(), in.U32()); },
      [](Input &in) { PT_DCS_ScrollUp(in.U32(), in.U32()); },
      [](Input &in) { PT_DCS_ScrollDown(in.U32(), in.U32()); },
      [](Input &in) { PT_DCS_ScrollHome(in.U32()); },
      [](Input &in) { PT_DCS_ScrollEnd(in.U32()); },
      [](Input &in) { PT_DCS_SetCursor(in.U32(), in.U32(), in.U32()); },
      [](Input &in) {
        U t = in.U32();
        int32_t n = Count(in);
        PT_DCS_DspStrE(t, reinterpret_cast<const char *>(in.Counted(n)), n);
      },
      [](Input &in) {
        U t = in.U32();
        int32_t n = Count(in);
        PT_DCS_DspStrC(t, reinterpret_cast<const char *>(in.Counted(n)), n);
      },
      [](Input &in) {
        U t = in.U32();
        int32_t n = Count(in);
        PT_DT2_DspStr(t, reinterpret_cast<const char *>(in.Counted(n < 0 ? 0 : n)), n);
      },
      [](Input &in) { PT_DT2_EnableCounter(in.U32()); },
      [](Input &in) { PT_DT2_DisableCounter(in.U32()); },
      [](Input &in) { PT_DT2_ReadCounter(in.U32()); },
      [](Input &in) { PT_DT2_SetCounter(in.U32(), in.U32()); },
      [](Input &in) { PT_DT2_AutoReport(in.U32(), in.U32()); },
      [](Input &in) { PT_DT2_Buzzer(in.U32(), in.U32(), in.U32()); },
      [](Input &in) { PT_DT2_FunKeyConfig(in.U32(), in.U32()); },
      [](Input &in) { PT_DT2_Terminator(in.U32(), in.U32()); },
      [](Input &in) { PT_DIO_ReadIoStatus(in.U32()); },
      [](Input &in) { PT_DIO_SetDO(in.U32(), static_cast<int32_t>(in.U32()), in.U32()); },
      [](Input &in) { PT_DIO_SetDiRspMode(in.U32(), in.U32()); },
      [](Input &in) { PT_KBN_Clear(in.U32()); },
      [](Input &in) {
        U t = in.U32();
        int32_t p = static_cast<int32_t>(in.U32()), o = static_cast<int32_t>(in.U32());
        PT_KBN_DspMsg(t, in.Text(), p, o);
      },
      [](Input &in) {
        U t = in.U32();
        int32_t s = static_cast<int32_t>(in.U32()), p = static_cast<int32_t>(in.U32()),
                o = static_cast<int32_t>(in.U32());
        PT_KBN_SegDownload(t, s, in.Text(), p, o);
      },
      [](Input &in) { PT_KBN_SegDel(in.U32(), static_cast<int32_t>(in.U32())); },
      [](Input &in) {
        U t = in.U32();
        int32_t n = Count(in);
        PT_KBN_SegDsp(t, in.Counted(n < 0 ? 0 : n), n);
      },
  };
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
  static const std::vector<Call> calls = Calls();
  Input in(data, size);
  for (int i = 0; i < 8 && !in.Empty(); ++i)
    calls[in.Byte() % calls.size()](in);
  return 0;
}
