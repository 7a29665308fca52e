// SPDX-License-Identifier: MIT
// roviro2-bridge: puts the devices of a set of gateways on an MQTT broker,
// through the library's public interface alone.
#include <csignal>
#include <cstdio>

#include "bridge.h"
#include "options.h"

namespace {

volatile std::sig_atomic_t stop = 0;

void Stop(int) {
  stop = 1;
}

}  // namespace

int main(int argc, char **argv) {
  bridge::Options options;
  const int status = bridge::ReadOptions(argc, argv, options);
  if (status >= 0) return status;
  struct sigaction action {};
  action.sa_handler = Stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  bridge::Bridge bridge(options);
  std::string error;
  if (!bridge.Start(error)) {
    std::fprintf(stderr, "roviro2-bridge: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "roviro2-bridge: %s running\n", options.name.c_str());
  bridge.Run(stop);
  return 0;
}
