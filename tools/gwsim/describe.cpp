// SPDX-License-Identifier: MIT
#include "describe.h"

#include <cstdio>
#include <map>
#include <sstream>

#include "command_codes.h"
#include "frame.h"
#include "hex_text.h"

namespace gwsim {

namespace {

const std::map<uint8_t, const char *> kNames = {
    {command::kShow, "show"},
    {command::kBlank, "blank"},
    {command::kLed1, "led 1"},
    {command::kLed0, "led 0/clear"},
    {command::kBuzzerOn, "buzzer on"},
    {command::kBuzzerOff, "buzzer off"},
    {command::kPollRange, "poll range"},
    {command::kDiagnosis, "diagnosis"},
    {command::kKey, "key"},
    {command::kShowMode, "show (mode)"},
    {command::kLed2, "led 2"},
    {command::kPreset, "preset"},
    {command::kShowAddress, "show address"},
    {command::kReset, "reset"},
    {command::kLock1On, "lock 1 on"},
    {command::kLock1Off, "lock 1 off"},
    {command::kSimulateOn, "simulate on"},
    {command::kSimulateOff, "simulate off"},
    {command::kModeOn, "mode on"},
    {command::kModeOff, "mode off"},
    {command::kLock0On, "lock 0 on"},
    {command::kLock0Off, "lock 0 off"},
    {command::kDownload, "download"},
    {command::kRows, "rows"},
    {command::kConverterData, "data"},
    {command::kRescan, "rescan"},
    {command::kScan, "scan"},
    {command::kControl, "control"},
    {command::kHexText, "hex text"},
    {command::kText, "text"},
    {command::kEscape, "escape"},
    {command::kKeys, "keys"},
    {command::kIoStatus, "io status"},
    {command::kOutputs, "outputs"},
    {command::kInputs, "inputs"},
    {command::kCounterOrBoard, "counter/board"},
    {command::kCount, "count"},
    {command::kSegmentLoad, "segment load"},
    {command::kSegmentShow, "segment show"},
    {command::kSegmentDelete, "segment delete"},
};

std::string Printable(const uint8_t *data, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i)
    text += data[i] >= 0x20 && data[i] < 0x7F ? char(data[i]) : '.';
  return text;
}

// A device text as the view shows it: as it is in plain text, with every
// byte outside printable ASCII as '.' on a terminal.
std::string Shown(const std::string &text, View view) {
  if (view == View::kPlain) return text;
  return Printable(reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

std::string Hex(uint8_t value) {
  std::string hex = "0x";
  AppendHexByte(hex, value);
  return hex;
}

// The rows written so far, the cursor cell marked when the cursor is on one
// of them: in inverse video on a terminal (a blank cell past the end of the
// text), by a '^' under it in plain text.
void RenderScreen(std::ostringstream &out, const Terminal &t, View view) {
  for (std::size_t row = 0; row < t.screen.size(); ++row) {
    const std::string line = Shown(t.screen[row], view);
    if (t.cursorRow != static_cast<int>(row + 1) || t.cursorColumn < 1) {
      out << "    |" << line << "|\n";
      continue;
    }
    const std::size_t column = static_cast<std::size_t>(t.cursorColumn - 1);
    if (view == View::kPlain) {
      out << "    |" << line << "|\n" << std::string(5 + column, ' ') << "^\n";
      continue;
    }
    std::string padded = line;
    if (padded.size() <= column) padded.resize(column + 1, ' ');
    out << "    |" << padded.substr(0, column) << "\x1b[7m" << padded[column] << "\x1b[27m"
        << padded.substr(column + 1) << "|\n";
  }
}

std::string Lamps(uint16_t bits) {
  std::string lamps;
  for (int i = 0; i < 16; ++i)
    lamps += (bits >> i) & 1 ? '#' : '.';
  return lamps;
}

void RenderDevice(std::ostringstream &out, int port, const Device &d, View view) {
  out << "  port " << port << " node " << int(d.node) << "  [" << (d.kinds.empty() ? "-" : d.kinds)
      << "]\n";
  const LightBar &lb = d.lb;
  if (!lb.display.empty() || lb.led >= 0 || lb.buzzer) {
    out << "    display |"
        << (lb.displayOn ? Shown(lb.display, view) : std::string(lb.display.size(), ' '))
        << "|  led " << (lb.led < 0 ? std::string("off") : std::to_string(lb.led)) << "  buzzer "
        << (lb.buzzer ? "on" : "off") << "  mode " << (lb.modeOn ? "on" : "off") << "  locks "
        << lb.lock1 << lb.lock0
        << (lb.extra > 0 ? "  extra " + Hex(static_cast<uint8_t>(lb.extra)) : "") << "\n";
  }
  for (const auto &[lead, text] : lb.downloads)
    out << "    download " << int(lead) << " |" << Shown(text, view) << "|\n";
  if (d.kinds.find("DCS") != std::string::npos) {
    out << "    terminal rows " << d.dcs.rows << " cursor " << d.dcs.cursorRow << ";"
        << d.dcs.cursorColumn << " scroll " << d.dcs.scroll << "\n";
    RenderScreen(out, d.dcs, view);
  }
  if (d.kinds.find("DT2") != std::string::npos) {
    out << "    counter " << d.dt2.value << (d.dt2.enabled ? " enabled" : " disabled")
        << (d.dt2.autoReport ? " auto-report" : "") << "  display |" << Shown(d.dt2.display, view)
        << "|\n";
  }
  if (d.kinds.find("DIO") != std::string::npos) {
    out << "    outputs " << Lamps(d.dio.outputs) << "  inputs " << Lamps(d.dio.inputs) << "\n";
  }
  if (d.kinds.find("KBN") != std::string::npos) {
    out << "    board |" << Shown(d.kbn.message, view) << "|  segments " << d.kbn.segments.size()
        << "\n";
  }
  if (!d.cnv.received.empty()) {
    out << "    converter received " << d.cnv.received.size() << " bytes |"
        << Printable(d.cnv.received.data(), d.cnv.received.size()) << "|\n";
  }
  if (d.rescans) out << "    rescans " << d.rescans << "\n";
}

}  // namespace

std::string DescribeFrame(const char *direction, int gateway, const uint8_t *frame,
                          std::size_t size) {
  if (size < kHeaderSize) return std::string(direction) + " short frame";
  const auto name = kNames.find(frame[kCommandOffset]);
  char head[96];
  std::snprintf(head, sizeof head, "%-3s gw%d p%d n%-3d %02X %-15s", direction, gateway,
                PortOf(frame[kPortCodeOffset]), frame[kNodeOffset], frame[kCommandOffset],
                name == kNames.end() ? "?" : name->second);
  std::string line = head;
  const uint8_t *data = frame + kHeaderSize;
  const std::size_t n = size - kHeaderSize;
  const std::size_t shown = n > 24 ? 24 : n;
  for (std::size_t i = 0; i < shown; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", data[i]);
    line += hex;
  }
  if (shown < n) line += "... ";
  return line + "|" + Printable(data, shown) + "|";
}

std::string RenderGateway(int number, uint16_t port, const Gateway &gateway, View view) {
  std::ostringstream out;
  out << "gateway " << number << " on 127.0.0.1:" << port << ", " << gateway.FramesHandled()
      << " frames\n";
  for (const auto &[key, device] : gateway.Devices())
    RenderDevice(out, key.first, device, view);
  return out.str();
}

}  // namespace gwsim
