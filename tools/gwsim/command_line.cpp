// SPDX-License-Identifier: MIT
#include "command_line.h"

#include <getopt.h>

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
  static const option kOptions[] = {{"port", required_argument, nullptr, 'p'},
                                    {"gateways", required_argument, nullptr, 'g'},
                                    {"script", required_argument, nullptr, 's'},
                                    {"state", required_argument, nullptr, 'S'},
                                    {"log", no_argument, nullptr, 'l'},
                                    {"view", no_argument, nullptr, 'v'},
                                    {"help", no_argument, nullptr, 'h'},
                                    {"version", no_argument, nullptr, 'V'},
                                    {nullptr, 0, nullptr, 0}};
  // getopt_long only permutes argv's pointers, never the texts; "+" keeps
  // even those in order, and a first word that is not an option is refused.
  char *const *args = const_cast<char *const *>(argv);
  long count = 0;
  opterr = 0;
  optind = 0;  // starts anew on this argv
  for (int c; (c = getopt_long(argc, args, "+:h", kOptions, nullptr)) != -1;) {
    const std::string value = optarg ? optarg : "";
    switch (c) {
      case 'p': {
        uint16_t port = 0;
        if (!ParsePort(value, port)) {
          error = "--port takes a port number from 0 to 65535, not '" + value + "'";
          return false;
        }
        line.server.ports.push_back(port);
        break;
      }
      case 'g':
        if (!Decimal(value, kMaxGateways, count) || count < 1) {
          error = "--gateways takes 1 to " + std::to_string(kMaxGateways) + ", not '" + value + "'";
          return false;
        }
        break;
      case 's':
        line.script = value;
        break;
      case 'S':
        line.server.stateFile = value;
        break;
      case 'l':
        line.server.log = true;
        break;
      case 'v':
        line.server.view = true;
        break;
      case 'h':
        line.help = true;
        return true;
      case 'V':
        line.version = true;
        return true;
      case ':':
        error = std::string("incomplete option '") + argv[optind - 1] + "': it takes a value";
        return false;
      default:
        error = std::string("unknown option '") + argv[optind - 1] + "'";
        return false;
    }
  }
  if (optind < argc) {
    error = std::string("takes no arguments, not '") + argv[optind] + "'";
    return false;
  }
  if (line.server.ports.empty() && count == 0) count = 1;
  for (long i = 0; i < count; ++i)
    line.server.ports.push_back(0);
  return true;
}

}  // namespace gwsim
