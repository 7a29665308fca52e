#include "describe.h"

#include <cstdio>
#include <map>
#include <sstream>

#include "link/frame.h"

namespace gwsim {

namespace {

const std::map<uint8_t, const char *> kNames = {
    {0x00, "show"},           {0x01, "blank"},        {0x02, "led 1"},
    {0x03, "led 0/clear"},    {0x04, "buzzer on"},    {0x05, "buzzer off"},
    {0x08, "poll range"},     {0x09, "diagnosis"},    {0x0B, "key"},
    {0x10, "show (mode)"},    {0x11, "led 2"},        {0x12, "preset"},
    {0x13, "show address"},   {0x14, "reset"},        {0x15, "lock 1 on"},
    {0x16, "lock 1 off"},     {0x17, "simulate on"},  {0x18, "simulate off"},
    {0x19, "mode on"},        {0x1A, "mode off"},     {0x1B, "lock 0 on"},
    {0x1C, "lock 0 off"},     {0x24, "download"},     {0x25, "rows"},
    {0x28, "data"},           {0x30, "rescan"},       {0x31, "scan"},
    {0x37, "control"},        {0x38, "hex text"},     {0x39, "text"},
    {0x3A, "escape"},         {0x3B, "keys"},         {0x3C, "io status"},
    {0x3D, "outputs"},        {0x3E, "inputs"},       {0x40, "counter/board"},
    {0x41, "count"},          {0x44, "segment load"}, {0x47, "segment show"},
    {0x4B, "segment delete"},
};

std::string Printable(const uint8_t *data, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i)
    text += data[i] >= 0x20 && data[i] < 0x7F ? char(data[i]) : '.';
  return text;
}

std::string Lamps(uint16_t bits) {
  std::string lamps;
  for (int i = 0; i < 16; ++i)
    lamps += (bits >> i) & 1 ? '#' : '.';
  return lamps;
}

void RenderDevice(std::ostringstream &out, int port, const Device &d) {
  out << "  port " << port << " node " << int(d.node) << "  [" << (d.kinds.empty() ? "-" : d.kinds)
      << "]\n";
  const LightBar &lb = d.lb;
  if (!lb.display.empty() || lb.led >= 0 || lb.buzzer) {
    out << "    display |" << (lb.displayOn ? lb.display : std::string(lb.display.size(), ' '))
        << "|  led " << (lb.led < 0 ? std::string("off") : std::to_string(lb.led)) << "  buzzer "
        << (lb.buzzer ? "on" : "off") << "  mode " << (lb.modeOn ? "on" : "off") << "  locks "
        << lb.lock1 << lb.lock0 << "\n";
  }
  for (const auto &[lead, text] : lb.downloads)
    out << "    download " << int(lead) << " |" << text << "|\n";
  if (d.kinds.find("DCS") != std::string::npos) {
    out << "    terminal rows " << d.dcs.rows << " cursor " << d.dcs.cursorRow << ";"
        << d.dcs.cursorColumn << " scroll " << d.dcs.scroll << "\n";
    for (const std::string &line : d.dcs.screen)
      out << "    |" << line << "|\n";
  }
  if (d.kinds.find("DT2") != std::string::npos) {
    out << "    counter " << d.dt2.value << (d.dt2.enabled ? " enabled" : " disabled")
        << (d.dt2.autoReport ? " auto-report" : "") << "  display |" << d.dt2.display << "|\n";
  }
  if (d.kinds.find("DIO") != std::string::npos) {
    out << "    outputs " << Lamps(d.dio.outputs) << "  inputs " << Lamps(d.dio.inputs) << "\n";
  }
  if (d.kinds.find("KBN") != std::string::npos) {
    out << "    board |" << d.kbn.message << "|  segments " << d.kbn.segments.size() << "\n";
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
  if (size < roviro2::kHeaderSize) return std::string(direction) + " short frame";
  const auto name = kNames.find(frame[roviro2::kCommandOffset]);
  char head[96];
  std::snprintf(head, sizeof head, "%-3s gw%d p%d n%-3d %02X %-15s", direction, gateway,
                PortOf(frame[roviro2::kPortCodeOffset]), frame[roviro2::kNodeOffset],
                frame[roviro2::kCommandOffset], name == kNames.end() ? "?" : name->second);
  std::string line = head;
  const uint8_t *data = frame + roviro2::kHeaderSize;
  const std::size_t n = size - roviro2::kHeaderSize;
  const std::size_t shown = n > 24 ? 24 : n;
  for (std::size_t i = 0; i < shown; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", data[i]);
    line += hex;
  }
  if (shown < n) line += "... ";
  return line + "|" + Printable(data, shown) + "|";
}

std::string RenderGateway(int number, uint16_t port, const Gateway &gateway) {
  std::ostringstream out;
  out << "gateway " << number << " on 127.0.0.1:" << port << ", " << gateway.FramesHandled()
      << " frames\n";
  for (const auto &[key, device] : gateway.Devices())
    RenderDevice(out, key.first, device);
  return out.str();
}

}  // namespace gwsim
