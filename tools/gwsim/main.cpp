// roviro2-gwsim: gateways with simulated devices on 127.0.0.1, for trying
// applications of the library without hardware. See docs/simulator.md.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "server.h"

namespace {

volatile bool stopRequested = false;

void RequestStop(int) {
  stopRequested = true;
}

const char kUsage[] =
    "usage: roviro2-gwsim [options]\n"
    "Serves simulated gateways on 127.0.0.1 and prints their ports.\n"
    "  --port P         a gateway on port P (0: any free port); repeatable\n"
    "  --gateways N     N gateways on free ports (default: one)\n"
    "  --script FILE    run the device events and faults of FILE ('-': stdin)\n"
    "  --log            print one decoded line per frame\n"
    "  --view           show the devices: redrawn live on a terminal, else once at exit\n"
    "  --state FILE     keep the devices' state in FILE, rewritten on every change\n"
    "  --help           this text\n";

bool LoadScript(const std::string &path, gwsim::Server &server) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "roviro2-gwsim: cannot read %s\n", path.c_str());
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
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
  gwsim::ServerOptions options;
  std::string script;
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--port" && hasValue) {
      options.ports.push_back(static_cast<uint16_t>(std::atoi(argv[++i])));
    } else if (arg == "--gateways" && hasValue) {
      count = std::atoi(argv[++i]);
    } else if (arg == "--script" && hasValue) {
      script = argv[++i];
    } else if (arg == "--state" && hasValue) {
      options.stateFile = argv[++i];
    } else if (arg == "--log") {
      options.log = true;
    } else if (arg == "--view") {
      options.view = true;
    } else {
      std::fprintf(stderr, "roviro2-gwsim: unknown or incomplete option '%s'\n%s", arg.c_str(),
                   kUsage);
      return 2;
    }
  }
  if (count < 0 || count > 256) {
    std::fprintf(stderr, "roviro2-gwsim: --gateways takes 1 to 256\n");
    return 2;
  }
  if (options.ports.empty() && count == 0) count = 1;
  for (int i = 0; i < count; ++i)
    options.ports.push_back(0);

  const bool liveView = options.view && isatty(STDOUT_FILENO);
  const bool viewAtExit = options.view && !liveView;
  options.view = liveView;
  gwsim::Server server(options);
  std::string error;
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
