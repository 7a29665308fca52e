/* SPDX-License-Identifier: MIT */
// The simulator's command line, read into the server's options.
#pragma once

#include <cstdint>
#include <string>

#include "server.h"

namespace gwsim {

struct CommandLine {
  ServerOptions server;  // one port per gateway, those of --port first
  std::string script;    // "-": standard input
  bool help = false;
  bool version = false;
};

// Reads argv[1] to argv[argc - 1] with getopt_long: --opt=value or --opt
// value, "--" ends the options. False, with a message naming the option,
// for an unknown or incomplete option, a value out of range, or a word that
// is not an option.
bool ParseCommandLine(int argc, const char *const *argv, CommandLine &line, std::string &error);

// A TCP port: decimal digits only, 0 to 65535.
bool ParsePort(const std::string &text, uint16_t &port);

}  // namespace gwsim
