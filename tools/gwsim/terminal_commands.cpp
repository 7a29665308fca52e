// SPDX-License-Identifier: MIT
// Terminals (DCS): text with cursor sequences, and the control command.
#include <algorithm>

#include "command_codes.h"
#include "device_commands.h"
#include "gateway.h"
#include "hex_text.h"

namespace gwsim {

namespace {

constexpr uint8_t kEsc = 0x1B;

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

// The control letters that set something; the letter's argument byte follows.
void Configure(Terminal &t, const Bytes &data) {
  const uint8_t arg = data.size() > 1 ? data[1] : 0;
  switch (data[0]) {
    case 'B':
      t.inputMode = arg;
      break;
    case 'C':
      t.bufferSize = arg;
      break;
    case 'D':
      t.configP = static_cast<uint8_t>(HexByte(AsText(data), 1));
      t.configQ = static_cast<uint8_t>(HexByte(AsText(data), 3));
      break;
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
}

// Status 0, then the letter asked and its text.
Bytes ControlAnswer(const Request &r, char letter, const std::string &text) {
  const std::string data = std::string(1, '\0') + letter + text;
  return DeviceFrame(r.port, command::kControl, r.node, Bytes(data.begin(), data.end()));
}

// 'D' alone asks for the configuration bytes, 'E' for the version.
void Control(const Request &r, Device &d, Answers &answers) {
  d.Saw("DCS");
  if (r.data.empty()) return;
  if (r.data[0] == 'D' && r.data.size() == 1) {
    std::string digits;
    AppendHexByte(digits, d.dcs.configP);
    AppendHexByte(digits, d.dcs.configQ);
    answers.push_back(ControlAnswer(r, 'D', digits));
  } else if (r.data[0] == 'E') {
    answers.push_back(ControlAnswer(r, 'E', kVersionText));
  } else {
    Configure(d.dcs, r.data);
  }
}

void HexText(const Request &r, Device &d, Answers &) {
  d.Saw("DCS");
  WriteTerminal(d.dcs, DecodeHexText(AsText(r.data)));
}

void Text(const Request &r, Device &d, Answers &) {
  d.Saw("DCS");
  WriteTerminal(d.dcs, AsText(r.data));
}

}  // namespace

const CommandTable &TerminalCommands() {
  static const CommandTable table = {
      {command::kControl, Control},
      {command::kHexText, HexText},
      {command::kText, Text},
  };
  return table;
}

}  // namespace gwsim
