// SPDX-License-Identifier: MIT
// roviro2: drives gateways and their devices from the command line, through
// the library's public interface alone.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "functions.h"
#include "roviro2.h"
#include "session.h"
#include "values.h"

namespace {

const char kUsage[] =
    "usage: roviro2 [--gateway ID=IP:PORT]... [--seconds N] COMMAND ...\n"
    "Gateways come from IPINDEX in the current directory and from --gateway.\n"
    "Commands:\n"
    "  status                      connect every gateway and show its status\n"
    "  send FUNCTION [ARGS...]     call one library function, e.g.\n"
    "                              roviro2 send PT_LB_DspNum 1:1:5 42 0 0\n"
    "  watch                       print every received frame, decoded\n"
    "  diag                        ask every gateway's ports for a diagnosis\n"
    "  functions                   list every function with its arguments\n"
    "Options:\n"
    "  --gateway ID=IP:PORT        add a gateway (repeatable)\n"
    "  --seconds N                 how long to connect, watch or wait (default 5;\n"
    "                              watch: until interrupted)\n"
    "  --help                      this text; COMMAND --help for one command\n";

const char *CommandHelp(const std::string &command) {
  if (command == "status")
    return "usage: roviro2 status\nConnects every gateway and prints its status; exits 1 unless "
           "all are connected.\n";
  if (command == "send") {
    return "usage: roviro2 send FUNCTION [ARGS...]\n"
           "Calls FUNCTION (an exported name, see 'roviro2 functions') and prints its result\n"
           "and what it means; exits 1 when the result is a failure. Arguments: numbers\n"
           "(decimal, 0x hex, negative), tag addresses as gw:port:node, texts with C\n"
           "escapes (\\n, \\xNN), byte lists as 1,2,31.\n";
  }
  if (command == "watch")
    return "usage: roviro2 watch [--seconds N]\nPrints every received frame decoded, until "
           "interrupted or for N seconds.\n";
  if (command == "diag")
    return "usage: roviro2 diag [--seconds N]\nSends the diagnosis request to both ports of every "
           "gateway and prints the answers.\n";
  if (command == "functions")
    return "usage: roviro2 functions\nLists every function with its arguments.\n";
  return nullptr;
}

int Fail(const std::string &message) {
  std::fprintf(stderr, "roviro2: %s\n", message.c_str());
  PT_API_Close();
  return 1;
}

int Send(const std::vector<std::string> &words, double seconds) {
  if (words.empty())
    return Fail("send: name a function, e.g. PT_LB_DspNum (see 'roviro2 functions')");
  const cli::Function *function = cli::FindFunction(words[0]);
  if (!function)
    return Fail("send: no function named '" + words[0] + "' (see 'roviro2 functions')");
  cli::Values values;
  std::string error;
  if (!cli::ReadArguments(*function, {words.begin() + 1, words.end()}, values, error)) {
    return Fail("send: " + error);
  }
  if (!cli::ConnectAll(seconds)) std::fprintf(stderr, "roviro2: not every gateway is connected\n");
  std::string output;
  const int32_t result = function->call(values, output);
  std::printf("%s -> %d (%s)\n", function->name, result,
              cli::Meaning(function->name, result).c_str());
  if (!output.empty()) std::printf("%s\n", output.c_str());
  cli::Watch(0.3, -1);  // lets what waits go out, and shows any answer
  PT_API_Close();
  return cli::IsFailure(function->name, result) ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<cli::GatewayOption> gateways;
  double seconds = -1;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (words.empty() && (arg == "--help" || arg == "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!words.empty() && words[0] != "send" && arg == "--help") {
      std::fputs(CommandHelp(words[0]) ? CommandHelp(words[0]) : kUsage, stdout);
      return 0;
    }
    if (arg == "--gateway" && i + 1 < argc) {
      cli::GatewayOption g{};
      if (!cli::ParseGateway(argv[++i], g.id, g.ip, g.port)) {
        return Fail(std::string("--gateway takes ID=IP:PORT, e.g. 1=127.0.0.1:4660, not '") +
                    argv[i] + "'");
      }
      gateways.push_back(g);
    } else if (arg == "--seconds" && i + 1 < argc) {
      char *end = nullptr;
      seconds = std::strtod(argv[++i], &end);
      if (*end != '\0' || seconds < 0) return Fail("--seconds takes a number of seconds");
    } else if (words.empty() && arg.rfind("--", 0) == 0) {
      return Fail("unknown option '" + arg + "' (see roviro2 --help)");
    } else {
      words.push_back(arg);
    }
  }
  if (words.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = words[0];
  if (command == "send" && words.size() == 2 && words[1] == "--help") {
    std::fputs(CommandHelp("send"), stdout);
    return 0;
  }
  if (!CommandHelp(command)) return Fail("unknown command '" + command + "' (see roviro2 --help)");
  if (command == "functions") {
    for (const cli::Function &f : cli::Functions())
      std::printf("%-22s %s\n", f.name, f.argNames);
    return 0;
  }
  std::string error;
  if (!cli::OpenTable(gateways, error)) return Fail(error);
  const double wait = seconds < 0 ? 5 : seconds;
  if (command == "send") return Send({words.begin() + 1, words.end()}, wait);
  const bool connected = cli::ConnectAll(wait);
  if (command == "status") {
    const bool all = cli::PrintStatus();
    PT_API_Close();
    return connected && all ? 0 : 1;
  }
  if (!connected) std::fprintf(stderr, "roviro2: not every gateway is connected\n");
  if (command == "diag") {
    const int32_t result = PT_GW_TagDiag(0, 0);
    std::printf("PT_GW_TagDiag -> %d (%s)\n", result,
                cli::Meaning("PT_GW_TagDiag", result).c_str());
    const int answers = cli::Watch(seconds < 0 ? 2 : seconds, 9);
    PT_API_Close();
    return result == 0 && answers > 0 ? 0 : 1;
  }
  cli::Watch(seconds, -1);
  PT_API_Close();
  return 0;
}
