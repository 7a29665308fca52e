// SPDX-License-Identifier: MIT
// Counters (DT2) and boards (KBN), which share command 0x40: a body that
// starts with the digit '9' is a board's, any other a counter's.
#include "command_codes.h"
#include "device_commands.h"
#include "gateway.h"
#include "hex_text.h"

namespace gwsim {

namespace {

Bytes CounterAnswer(const Request &r, uint16_t value) {
  return DeviceFrame(r.port, command::kCounterOrBoard, r.node,
                     {0x00, 0x02, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
}

// Sub-command in the first data byte; 4 sets the value from four nibbles.
void CounterCommand(const Request &r, Device &d, Answers &answers) {
  d.Saw("DT2");
  if (r.data.empty()) return;
  Counter &c = d.dt2;
  const Bytes &data = r.data;
  switch (data[0]) {
    case 1:
      c.enabled = true;
      break;
    case 2:
      answers.push_back(CounterAnswer(r, c.value));
      break;
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
}

// The text of a message or segment body:
// "9A" [segment] "03000000" param "0000" text "00070005" [option] "1F".
std::string BoardText(const std::string &body, bool withSegment) {
  const std::size_t textAt = (withSegment ? 4 : 2) + 8 + 2 + 4;
  std::size_t end = body.size() >= 2 ? body.size() - 2 : 0;
  const std::string option = "0300000008000000";
  if (end >= option.size() && body.compare(end - option.size(), option.size(), option) == 0) {
    end -= option.size();
  }
  end = end >= 8 ? end - 8 : 0;
  return textAt < end ? DecodeHexText(body.substr(textAt, end - textAt)) : "";
}

// Bodies of digit pairs. The simulator reads a segment number and a message
// parameter of two digits (0 to 255).
void BoardCommand(const Request &r, Device &d, Answers &) {
  d.Saw("KBN");
  Board &b = d.kbn;
  const std::string body = AsText(r.data);
  if (body.rfind("9A", 0) != 0) return;
  if (r.command == command::kCounterOrBoard && body == "9A011F") {
    b.message.clear();
    b.shown.clear();
    return;
  }
  if (r.command == command::kSegmentShow) {
    b.shown.clear();
    for (std::size_t i = 2; HexByte(body, i) >= 0 && body.compare(i, 2, "9B") != 0; i += 2) {
      b.shown.push_back(HexByte(body, i));
    }
    return;
  }
  const int segment = HexByte(body, 2);
  if (r.command == command::kSegmentDelete) {
    b.segments.erase(segment);
  } else if (r.command == command::kSegmentLoad) {
    b.segments[segment] = BoardText(body, true);
  } else {
    b.message = BoardText(body, false);
  }
}

void CounterOrBoard(const Request &r, Device &d, Answers &answers) {
  if (r.data.size() >= 2 && r.data[0] == '9') {
    BoardCommand(r, d, answers);
  } else {
    CounterCommand(r, d, answers);
  }
}

}  // namespace

const CommandTable &CounterAndBoardCommands() {
  static const CommandTable table = {
      {command::kCounterOrBoard, CounterOrBoard},
      {command::kSegmentLoad, BoardCommand},
      {command::kSegmentShow, BoardCommand},
      {command::kSegmentDelete, BoardCommand},
  };
  return table;
}

}  // namespace gwsim
