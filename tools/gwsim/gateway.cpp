// SPDX-License-Identifier: MIT
#include "gateway.h"

#include <algorithm>

#include "commands/hex_digits.h"
#include "link/frame.h"

namespace gwsim {

namespace {

constexpr uint8_t kEsc = 0x1B;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Two hexadecimal digits at text[at]; -1 when they are not digits.
int HexByte(const std::string &text, std::size_t at) {
  if (at + 1 >= text.size()) return -1;
  const int high = HexValue(text[at]);
  const int low = HexValue(text[at + 1]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

std::string AsText(const Bytes &data, std::size_t from = 0) {
  return from < data.size()
             ? std::string(data.begin() + static_cast<std::ptrdiff_t>(from), data.end())
             : std::string();
}

// A cursor coordinate: its leading digits, at most kMaxCursorColumn (a row
// that far is off the screen as well); 0 when there are none.
int Coordinate(const std::string &digits) {
  long value = 0;
  for (std::size_t i = 0; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i)
    value = std::min<long>(value * 10 + (digits[i] - '0'), kMaxCursorColumn);
  return static_cast<int>(value);
}

// Raw terminal bytes: ESC [ row ; column H moves the cursor, the rest is text.
void WriteTerminal(Terminal &t, const std::string &bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == kEsc && i + 1 < bytes.size() && bytes[i + 1] == '[') {
      const std::size_t end = bytes.find('H', i);
      const std::size_t semi = bytes.find(';', i);
      if (end != std::string::npos && semi != std::string::npos && semi < end) {
        if (!text.empty()) t.Write(text);
        text.clear();
        t.cursorRow = Coordinate(bytes.substr(i + 2, semi - i - 2));
        t.cursorColumn = Coordinate(bytes.substr(semi + 1, end - semi - 1));
        i = end;
        continue;
      }
    }
    text += bytes[i];
  }
  if (!text.empty()) t.Write(text);
}

}  // namespace

std::string DecodeHexText(const std::string &digits) {
  std::string text;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    const int byte = HexByte(digits, i);
    if (byte < 0) break;
    text += static_cast<char>(byte);
  }
  return text;
}

Bytes DeviceFrame(int port, uint8_t command, uint8_t node, const Bytes &data) {
  Bytes frame(roviro2::kHeaderSize + data.size());
  roviro2::WriteLength(frame.data(), frame.size());
  frame[roviro2::kPortCodeOffset] = PortCode(port);
  frame[roviro2::kCommandOffset] = command;
  frame[roviro2::kNodeOffset] = node;
  std::copy(data.begin(), data.end(), frame.begin() + roviro2::kHeaderSize);
  return frame;
}

Device &Gateway::At(int port, uint8_t node) {
  Device &d = devices_[{port, node}];
  d.node = node;
  return d;
}

std::vector<Bytes> Gateway::Handle(const uint8_t *frame, std::size_t size) {
  if (size < roviro2::kHeaderSize) return {};
  ++handled_;
  const int port = PortOf(frame[roviro2::kPortCodeOffset]);
  const uint8_t command = frame[roviro2::kCommandOffset];
  const uint8_t node = frame[roviro2::kNodeOffset];
  const Bytes data(frame + roviro2::kHeaderSize, frame + size);
  if (command == 0x08) {
    pollRange_[port == 1 ? 0 : 1] = node;
    return {};
  }
  if (command == 0x09) return Diagnose(port);
  Device &d = At(port, node);
  switch (command) {
    case 0x14:
      ++d.resets;
      return {};
    case 0x24:
      d.Saw("LB2");
      if (!data.empty()) d.lb.downloads[data[0]] = AsText(data, 1);
      return {};
    case 0x25:
      d.Saw("LB2");
      if (!data.empty()) d.lb.rows = data[0];
      return {};
    case 0x28:
      d.Saw("CNV");
      d.cnv.received.insert(d.cnv.received.end(), data.begin(), data.end());
      return {};
    case 0x30:
      d.Saw("CCD");
      ++d.rescans;
      return {};
    case 0x37:
      d.Saw("DCS");
      return Control(port, d, data);
    case 0x38:
      d.Saw("DCS");
      WriteTerminal(d.dcs, DecodeHexText(AsText(data)));
      return {};
    case 0x39:
      d.Saw("DCS");
      WriteTerminal(d.dcs, AsText(data));
      return {};
    case 0x3A:
      Escape(port, d, data);
      return {};
    case 0x3C:
      d.Saw("DIO");
      return {DeviceFrame(
          port, 0x3C, node,
          {0x00, static_cast<uint8_t>(d.dio.inputs), static_cast<uint8_t>(d.dio.inputs >> 8),
           static_cast<uint8_t>(d.dio.outputs), static_cast<uint8_t>(d.dio.outputs >> 8)})};
    case 0x3D:
      d.Saw("DIO");
      Outputs(d, data);
      return {};
    case 0x40:
      if (data.size() >= 2 && data[0] == '9') {
        BoardCommand(d, command, AsText(data));
        return {};
      }
      return CounterCommand(port, d, data);
    case 0x44:
    case 0x47:
    case 0x4B:
      BoardCommand(d, command, AsText(data));
      return {};
    default:
      LightBarCommand(d, command, data);
      return {};
  }
}

// One answer per port asked: command 9 with the number of devices known on
// that port as its status in byte 7.
std::vector<Bytes> Gateway::Diagnose(int port) {
  int known = 0;
  for (const auto &entry : devices_)
    known += entry.first.first == port ? 1 : 0;
  return {DeviceFrame(port, 0x09, static_cast<uint8_t>(known > 255 ? 255 : known), {})};
}

std::vector<Bytes> Gateway::Control(int port, Device &d, const Bytes &data) {
  if (data.empty()) return {};
  Terminal &t = d.dcs;
  const uint8_t arg = data.size() > 1 ? data[1] : 0;
  switch (data[0]) {
    case 'B':
      t.inputMode = arg;
      break;
    case 'C':
      t.bufferSize = arg;
      break;
    case 'D':
      if (data.size() == 1) {
        std::string digits = "D";
        roviro2::AppendHexByte(digits, t.configP);
        roviro2::AppendHexByte(digits, t.configQ);
        Bytes answer = {0x00};
        answer.insert(answer.end(), digits.begin(), digits.end());
        return {DeviceFrame(port, 0x37, d.node, answer)};
      }
      t.configP = static_cast<uint8_t>(HexByte(AsText(data), 1));
      t.configQ = static_cast<uint8_t>(HexByte(AsText(data), 3));
      break;
    case 'E': {
      Bytes answer = {0x00, 'E'};
      const std::string version = kVersionText;
      answer.insert(answer.end(), version.begin(), version.end());
      return {DeviceFrame(port, 0x37, d.node, answer)};
    }
    case 'F':
      t = Terminal{};
      break;
    case 'G':
      t.rows = arg - '0';
      t.screen.resize(t.rows > 0 ? t.rows : 0);
      break;
    case 'H':
      t.lastKey = std::string(1, static_cast<char>(arg));
      break;
    case 'I':
      t.Clear();
      break;
    case 'K':
      t.scroll -= arg;
      break;
    case 'L':
      t.scroll += arg;
      break;
    case 'M':
      t.scroll = 0;
      break;
    case 'N':
      t.scroll = static_cast<int>(t.screen.size());
      break;
    default:
      break;  // 'J': the buzzer sounds; nothing to keep
  }
  return {};
}

std::vector<Bytes> Gateway::CounterCommand(int port, Device &d, const Bytes &data) {
  d.Saw("DT2");
  if (data.empty()) return {};
  Counter &c = d.dt2;
  switch (data[0]) {
    case 1:
      c.enabled = true;
      break;
    case 2:
      return {DeviceFrame(
          port, 0x40, d.node,
          {0x00, 0x02, static_cast<uint8_t>(c.value), static_cast<uint8_t>(c.value >> 8)})};
    case 3:
      c.enabled = false;
      break;
    case 4:
      if (data.size() >= 5) {
        c.value = static_cast<uint16_t>(data[1] | data[2] << 4 | data[3] << 8 | data[4] << 12);
      }
      break;
    case 5:
      c.autoReport = true;
      break;
    case 6:
      c.autoReport = false;
      break;
    default:
      break;
  }
  return {};
}

void Gateway::Escape(int port, Device &d, const Bytes &data) {
  if (data.size() >= 5 && data[0] == 0x40 && data[1] == kEsc && data[2] == kEsc) {
    const uint8_t value = data[4];
    switch (data[3]) {
      case 0x10: {  // the device answers at its new node from now on
        Device moved = d;
        moved.node = value;
        devices_.erase({port, d.node});
        devices_[{port, value}] = moved;
        return;
      }
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
  d.Saw("DT2");
  d.dt2.display = AsText(data, 1);
}

void Gateway::LightBarCommand(Device &d, uint8_t command, const Bytes &data) {
  LightBar &lb = d.lb;
  switch (command) {
    case 0x00:
    case 0x10:
      // Seven bytes are six characters and the extra byte (PT_LB_DspNum,
      // PT_LB_DspStr); any other length is a free-length text, of up to ten
      // characters from an LB2 (PT_LB2_DspStr), longer from PT_LB_DspStr2.
      // The frame does not say which function sent it, so a free text of
      // exactly seven characters shows as six, its last one kept as the
      // extra byte.
      d.Saw(data.size() <= 10 && data.size() != 7 ? "LB2" : "LB");
      lb.display = data.size() == 7 ? AsText(Bytes(data.begin(), data.end() - 1)) : AsText(data);
      lb.extra = data.size() == 7 ? data[6] : -1;
      lb.displayOn = true;
      break;
    case 0x01:
      d.Saw("LB");
      lb.displayOn = false;
      break;
    case 0x02:
      d.Saw("LB");
      lb.led = 1;
      break;
    case 0x03:
      d.Saw("LB");
      lb.led = 0;
      break;
    case 0x04:
      if (data.size() == 2) {
        d.Saw("DT2");
        d.dt2.buzzer1 = data[0];
        d.dt2.buzzer2 = data[1];
      } else {
        d.Saw("LB");
        lb.buzzer = true;
      }
      break;
    case 0x05:
      d.Saw("LB");
      lb.buzzer = false;
      break;
    case 0x11:
      d.Saw("LB");
      lb.led = 2;
      break;
    case 0x12:
      if (data.size() >= 2) lb.preset = static_cast<uint16_t>(data[0] | data[1] << 8);
      break;
    case 0x13:
      d.Saw("LB");
      lb.display = "ADR" + std::to_string(d.node);
      lb.displayOn = true;
      break;
    case 0x15:
      lb.lock1 = true;
      break;
    case 0x16:
      lb.lock1 = false;
      break;
    case 0x17:
      lb.simulation = true;
      break;
    case 0x18:
      lb.simulation = false;
      break;
    case 0x19:
      lb.modeOn = true;
      break;
    case 0x1A:
      lb.modeOn = false;
      break;
    case 0x1B:
      lb.lock0 = true;
      break;
    case 0x1C:
      lb.lock0 = false;
      break;
    default:
      break;
  }
}

// 0x00, then the digit pairs: mask low, value low, mask high, value high.
void Gateway::Outputs(Device &d, const Bytes &data) {
  const std::string digits = AsText(data, 1);
  const int maskLow = HexByte(digits, 0), valueLow = HexByte(digits, 2);
  const int maskHigh = HexByte(digits, 4), valueHigh = HexByte(digits, 6);
  if (maskLow < 0 || valueLow < 0 || maskHigh < 0 || valueHigh < 0) return;
  d.dio.Apply(static_cast<uint16_t>(maskLow | maskHigh << 8),
              static_cast<uint16_t>(valueLow | valueHigh << 8));
}

// Bodies of digit pairs. The simulator reads a segment number and a message
// parameter of two digits (0 to 255).
void Gateway::BoardCommand(Device &d, uint8_t command, const std::string &body) {
  d.Saw("KBN");
  Board &b = d.kbn;
  if (body.rfind("9A", 0) != 0) return;
  if (command == 0x40 && body == "9A011F") {
    b.message.clear();
    b.shown.clear();
    return;
  }
  if (command == 0x47) {
    b.shown.clear();
    for (std::size_t i = 2; HexByte(body, i) >= 0 && body.compare(i, 2, "9B") != 0; i += 2) {
      b.shown.push_back(HexByte(body, i));
    }
    return;
  }
  const int segment = HexByte(body, 2);
  if (command == 0x4B) {
    b.segments.erase(segment);
    return;
  }
  // "9A" [segment] "03000000" param "0000" text "00070005" [option] "1F"
  const std::size_t textAt = (command == 0x44 ? 4 : 2) + 8 + 2 + 4;
  std::size_t end = body.size() >= 2 ? body.size() - 2 : 0;
  const std::string option = "0300000008000000";
  if (end >= option.size() && body.compare(end - option.size(), option.size(), option) == 0) {
    end -= option.size();
  }
  end = end >= 8 ? end - 8 : 0;
  const std::string text = textAt < end ? DecodeHexText(body.substr(textAt, end - textAt)) : "";
  if (command == 0x44) {
    b.segments[segment] = text;
  } else {
    b.message = text;
  }
}

}  // namespace gwsim
