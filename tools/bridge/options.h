/* SPDX-License-Identifier: MIT */
// The bridge's command line: the broker, its name, the queue and the gateways.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "table.h"

namespace bridge {

struct Options {
  std::string host = "127.0.0.1";
  int port = 1883;
  std::string clientId;  // empty: roviro2-bridge-<name>
  std::string username;
  std::string password;
  std::string caFile, certFile, keyFile;
  int keepalive = 30;
  std::string name = "bridge";
  std::size_t queueSize = 10000;
  double retryMax = 10;  // seconds: the longest pause between broker attempts
  std::string ipindexFolder;
  std::vector<calls::GatewayOption> gateways;
};

// Reads argv; -1 to go on, else the exit status (0 after --help or
// --version, 2 after a usage error, which is told on stderr).
int ReadOptions(int argc, char **argv, Options &options);

// A name that is one topic level: not empty, no '/', '+', '#' or control
// character, at most 64 bytes.
bool IsTopicLevel(const std::string &name);

}  // namespace bridge
