// SPDX-License-Identifier: MIT
// Digital I/O (DIO), converters (CNV), scanners (CCD), and what any device
// takes: a reset, and the escape command that carries device settings.
#include "command_codes.h"
#include "device_commands.h"
#include "gateway.h"
#include "hex_text.h"

namespace gwsim {

namespace {

constexpr uint8_t kEsc = 0x1B;

void IoStatus(const Request &r, Device &d, Answers &answers) {
  d.Saw("DIO");
  const DigitalIo &io = d.dio;
  answers.push_back(
      DeviceFrame(r.port, command::kIoStatus, r.node,
                  {0x00, static_cast<uint8_t>(io.inputs), static_cast<uint8_t>(io.inputs >> 8),
                   static_cast<uint8_t>(io.outputs), static_cast<uint8_t>(io.outputs >> 8)}));
}

// 0x00, then the digit pairs: mask low, value low, mask high, value high.
void Outputs(const Request &r, Device &d, Answers &) {
  d.Saw("DIO");
  const std::string digits = AsText(r.data, 1);
  const int maskLow = HexByte(digits, 0), valueLow = HexByte(digits, 2);
  const int maskHigh = HexByte(digits, 4), valueHigh = HexByte(digits, 6);
  if (maskLow < 0 || valueLow < 0 || maskHigh < 0 || valueHigh < 0) return;
  d.dio.Apply(static_cast<uint16_t>(maskLow | maskHigh << 8),
              static_cast<uint16_t>(valueLow | valueHigh << 8));
}

void ConverterData(const Request &r, Device &d, Answers &) {
  d.Saw("CNV");
  d.cnv.received.insert(d.cnv.received.end(), r.data.begin(), r.data.end());
}

void Rescan(const Request &, Device &d, Answers &) {
  d.Saw("CCD");
  ++d.rescans;
}

void Reset(const Request &, Device &d, Answers &) {
  ++d.resets;
}

// One setting: its code, then its value.
void Setting(Device &d, uint8_t code, uint8_t value) {
  switch (code) {
    case 0x10:  // the device answers at its new node from now on
      d.node = value;
      return;
    case 0x11:
      d.Saw("DIO");
      d.dio.reportAll = value == 'A';
      return;
    case 0x20:
      d.Saw("CNV");
      d.cnv.terminator = value;
      return;
    case 0x50:
      d.Saw("DT2");
      d.dt2.functionKeys = value;
      return;
    case 0x51:
      d.Saw("DT2");
      d.dt2.terminator = value;
      return;
    default:
      return;
  }
}

// 0x40 ESC ESC, then a setting; any other body is a counter's display text
// after its first byte.
void Escape(const Request &r, Device &d, Answers &) {
  const Bytes &data = r.data;
  if (data.size() >= 5 && data[0] == 0x40 && data[1] == kEsc && data[2] == kEsc) {
    Setting(d, data[3], data[4]);
    return;
  }
  d.Saw("DT2");
  d.dt2.display = AsText(data, 1);
}

}  // namespace

const CommandTable &IoCommands() {
  static const CommandTable table = {
      {command::kIoStatus, IoStatus},
      {command::kOutputs, Outputs},
      {command::kConverterData, ConverterData},
      {command::kRescan, Rescan},
      {command::kReset, Reset},
      {command::kEscape, Escape},
  };
  return table;
}

}  // namespace gwsim
