// SPDX-License-Identifier: MIT
// roviro2-gwsim: gateways with simulated devices on 127.0.0.1, for trying
// applications of the library without hardware. See docs/simulator.md.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

#include "command_line.h"
#include "roviro2.h"
#include "server.h"

namespace {

// Lock-free, so that the signal handler may set it.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void RequestStop(int) {
  stopRequested = true;
}

const char kUsage[] =
    "usage: roviro2-gwsim [options]\n"
    "Serves simulated gateways on 127.0.0.1 and prints their ports.\n"
    "  --port P         a gateway on port P (1 to 65535; 0: any free port); repeatable\n"
    "  --gateways N     N gateways on free ports (1 to 256; default: one)\n"
    "  --script FILE    run the device events and faults of FILE ('-': stdin)\n"
    "  --log            print one decoded line per frame\n"
    "  --view           show the devices: redrawn live on a terminal, else once at exit\n"
    "  --state FILE     keep the devices' state in FILE, rewritten on every change\n"
    "  --help           this text\n"
    "  --version        the version\n"
    "Options take their value as --opt=value or --opt value.\n";

bool LoadScript(const std::string &path, gwsim::Server &server) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "roviro2-gwsim: cannot read %s\n", path.c_str());
    return false;
  }
  std::string line;
  bool tooLong = false;
  for (int number = 1; gwsim::ReadScriptLine(in, line, tooLong); ++number) {
    if (tooLong) {
      std::fprintf(stderr, "roviro2-gwsim: %s:%d: line longer than %zu characters\n", path.c_str(),
                   number, gwsim::kMaxScriptLine);
      return false;
    }
    gwsim::Action action{};
    bool empty = false;
    std::string error;
    if (!gwsim::ParseAction(line, action, empty, error)) {
      std::fprintf(stderr, "roviro2-gwsim: %s:%d: %s\n", path.c_str(), number, error.c_str());
      return false;
    }
    if (!empty) server.Add(action);
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  gwsim::CommandLine line;
  std::string error;
  if (!gwsim::ParseCommandLine(argc, argv, line, error)) {
    std::fprintf(stderr, "roviro2-gwsim: %s\nTry 'roviro2-gwsim --help'.\n", error.c_str());
    return 2;
  }
  if (line.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (line.version) {
    std::printf("roviro2-gwsim %s\n", ROVIRO2_VERSION_STRING);
    return 0;
  }
  gwsim::ServerOptions &options = line.server;
  const std::string &script = line.script;

  const bool liveView = options.view && isatty(STDOUT_FILENO);
  const bool viewAtExit = options.view && !liveView;
  options.view = liveView;
  gwsim::Server server(options);
  if (!server.Start(error)) {
    std::fprintf(stderr, "roviro2-gwsim: %s\n", error.c_str());
    return 1;
  }
  if (script == "-") {
    server.Follow(STDIN_FILENO);
  } else if (!script.empty() && !LoadScript(script, server)) {
    return 2;
  }
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  std::signal(SIGPIPE, SIG_IGN);
  server.Run(stopRequested);
  if (viewAtExit) std::printf("%s", server.Render().c_str());
  return 0;
}
