// SPDX-License-Identifier: MIT
#include "command_line.h"

namespace gwsim {

namespace {

constexpr int kMaxGateways = 256;

// Decimal digits only, at most `limit`; false for anything else.
bool Decimal(const std::string &text, long limit, long &value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= limit;
}

}  // namespace

bool ParsePort(const std::string &text, uint16_t &port) {
  long value = 0;
  if (!Decimal(text, 65535, value)) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

bool ParseCommandLine(int argc, const char *const *argv, CommandLine &line, std::string &error) {
  long count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      line.help = true;
      return true;
    } else if (arg == "--port" && hasValue) {
      const std::string value = argv[++i];
      uint16_t port = 0;
      if (!ParsePort(value, port)) {
        error = "--port takes a port number from 0 to 65535, not '" + value + "'";
        return false;
      }
      line.server.ports.push_back(port);
    } else if (arg == "--gateways" && hasValue) {
      const std::string value = argv[++i];
      if (!Decimal(value, kMaxGateways, count) || count < 1) {
        error = "--gateways takes 1 to " + std::to_string(kMaxGateways) + ", not '" + value + "'";
        return false;
      }
    } else if (arg == "--script" && hasValue) {
      line.script = argv[++i];
    } else if (arg == "--state" && hasValue) {
      line.server.stateFile = argv[++i];
    } else if (arg == "--log") {
      line.server.log = true;
    } else if (arg == "--view") {
      line.server.view = true;
    } else {
      error = "unknown or incomplete option '" + arg + "'";
      return false;
    }
  }
  if (line.server.ports.empty() && count == 0) count = 1;
  for (long i = 0; i < count; ++i)
    line.server.ports.push_back(0);
  return true;
}

}  // namespace gwsim
