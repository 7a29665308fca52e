// SPDX-License-Identifier: MIT
// roviro2: drives gateways and their devices from the command line, through
// the library's public interface alone.
#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "functions.h"
#include "roviro2.h"
#include "session.h"
#include "table.h"
#include "values.h"

namespace {

const char kUsage[] =
    "usage: roviro2 [OPTIONS] COMMAND [OPTIONS] [ARGS...]\n"
    "Gateways come from IPINDEX in the current directory and from --gateway.\n"
    "Commands:\n"
    "  status                      connect every gateway and show its status\n"
    "  send FUNCTION [ARGS...]     call one library function, e.g.\n"
    "                              roviro2 send PT_LB_DspNum 1:1:5 42 0 0\n"
    "  watch                       print every received frame, decoded, and every\n"
    "                              connection change\n"
    "  diag                        ask every gateway's ports for a diagnosis\n"
    "  functions                   list every function with its arguments\n"
    "Options (before or after the command; '--' ends them):\n"
    "  --gateway=ID=IP:PORT        add a gateway (repeatable)\n"
    "  --seconds=N                 how long to connect, watch or wait (default 5;\n"
    "                              watch: until interrupted, else exactly N)\n"
    "  --json                      watch, send: one JSON object a line\n"
    "  --help                      this text; COMMAND --help for one command\n"
    "  --version                   the version\n"
    "Exit status: 0 done, 1 failed (not connected, a failing result), 2 usage error.\n";

const char *CommandHelp(const std::string &command) {
  if (command == "status")
    return "usage: roviro2 status\nConnects every gateway and prints its status; exits 1 unless "
           "all are connected.\n";
  if (command == "send") {
    return "usage: roviro2 send [--json] [--seconds N] [--] FUNCTION [ARGS...]\n"
           "Calls FUNCTION (an exported name, see 'roviro2 functions') and prints its result\n"
           "and what it means; exits 1 when the result is a failure. Arguments: numbers\n"
           "(decimal, 0x hex, negative), tag addresses as gw:port:node, texts with C\n"
           "escapes (\\n, \\xNN), byte lists as 1,2,31. Then prints for a moment the\n"
           "frames from the tag (or gateway) it addressed, and only those.\n";
  }
  if (command == "watch")
    return "usage: roviro2 watch [--json] [--seconds N]\n"
           "Connects every gateway and prints every received frame decoded, and each\n"
           "connection change (connected, lost, refused, with the system's reason), until\n"
           "interrupted or for exactly N seconds. --json: one object a line, with time,\n"
           "event, gateway, and for frames port, node, command, status, hex and text.\n";
  if (command == "diag")
    return "usage: roviro2 diag [--seconds N]\nSends the diagnosis request to both ports of every "
           "gateway and prints the answers.\n";
  if (command == "functions")
    return "usage: roviro2 functions\nLists every function with its arguments.\n";
  return nullptr;
}

// A runtime failure: exit status 1.
int Fail(const std::string &message) {
  std::fprintf(stderr, "roviro2: %s\n", message.c_str());
  PT_API_Close();
  return 1;
}

// A usage error: one line, a hint, exit status 2.
int Usage(const std::string &message) {
  std::fprintf(stderr, "roviro2: %s\nTry 'roviro2 --help'.\n", message.c_str());
  return 2;
}

struct Options {
  std::vector<calls::GatewayOption> gateways;
  double seconds = -1;
  bool json = false;
  bool help = false;
};

// Reads the options of argv[1...] up to the first word that is not one (or
// "--"); optind is then that word's index. Returns -1 to go on, else the
// exit status.
int ReadOptions(int argc, char **argv, Options &options) {
  static const option kOptions[] = {
      {"gateway", required_argument, nullptr, 'g'}, {"seconds", required_argument, nullptr, 's'},
      {"json", no_argument, nullptr, 'j'},          {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, 'V'},       {nullptr, 0, nullptr, 0}};
  opterr = 0;
  optind = 0;  // starts anew on this argv
  for (int c; (c = getopt_long(argc, argv, "+:h", kOptions, nullptr)) != -1;) {
    switch (c) {
      case 'g': {
        calls::GatewayOption g{};
        if (!calls::ParseGateway(optarg, g.id, g.ip, g.port))
          return Usage(std::string("--gateway takes ID=IP:PORT, e.g. 1=127.0.0.1:4660, not '") +
                       optarg + "'");
        options.gateways.push_back(g);
        break;
      }
      case 's': {
        char *end = nullptr;
        options.seconds = std::strtod(optarg, &end);
        if (*optarg == '\0' || *end != '\0' || !(options.seconds >= 0) || options.seconds > 1e6)
          return Usage(std::string("--seconds takes a number of seconds, not '") + optarg + "'");
        break;
      }
      case 'j':
        options.json = true;
        break;
      case 'h':
        options.help = true;
        break;
      case 'V':
        std::printf("roviro2 %s\n", ROVIRO2_VERSION_STRING);
        return 0;
      case ':':
        return Usage(std::string("option '") + argv[optind - 1] + "' needs a value");
      default:
        return Usage(std::string("unknown option '") + argv[optind - 1] + "'");
    }
  }
  return -1;
}

// The frames that answer a call: those from the tag it addressed, or from
// the gateway of a PT_GW_ function (0: any); none for a call that
// addresses neither.
cli::WatchOptions Answers(const calls::Function &function, const calls::Values &values) {
  cli::WatchOptions answers;
  if (function.kinds[0] == 't') {
    const uint32_t tag = values.U(0);
    const uint32_t port = ((tag >> 8) & 0xFF) == 1 ? 1 : 2;
    answers.tag = (tag & 0xFFFF00FFu) | (port << 8);
  } else if (std::string(function.name).rfind("PT_GW_", 0) == 0 && function.kinds[0] == 'n') {
    answers.tag = (values.U(0) & 0xFFFFu) << 16;
  } else {
    answers.none = true;
  }
  return answers;
}

// Calls the function once the gateways are up (or the wait is over), prints
// its result, and for a moment the frames that answer it.
int Send(const calls::Function &function, const calls::Values &values, double wait, bool json) {
  if (!cli::ConnectAll(wait)) std::fprintf(stderr, "roviro2: not every gateway is connected\n");
  std::string output;
  const int32_t result = function.call(values, output);
  const std::string meaning = calls::Meaning(function.name, result);
  if (json) {
    std::printf(
        "{\"time\":\"%s\",\"event\":\"result\",\"function\":\"%s\",\"result\":%d,"
        "\"meaning\":%s,\"output\":%s}\n",
        calls::Timestamp().c_str(), function.name, result, calls::JsonString(meaning).c_str(),
        calls::JsonString(output).c_str());
  } else {
    std::printf("%s -> %d (%s)\n", function.name, result, meaning.c_str());
    if (!output.empty()) std::printf("%s\n", output.c_str());
  }
  std::fflush(stdout);
  cli::WatchOptions answers = Answers(function, values);
  answers.seconds = 0.3;  // lets what waits go out, and shows the answers
  answers.json = json;
  cli::Watch(answers);
  PT_API_Close();
  return calls::IsFailure(function.name, result) ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv) {
  Options options;
  int status = ReadOptions(argc, argv, options);
  if (status >= 0) return status;
  if (optind >= argc) {
    if (options.help) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    return Usage("name a command: status, send, watch, diag or functions");
  }
  // The command's own options follow it; getopt sees the command as argv[0].
  const int first = optind;
  status = ReadOptions(argc - first, argv + first, options);
  if (status >= 0) return status;
  const std::string command = argv[first];
  const std::vector<std::string> words(argv + first + optind, argv + argc);
  if (!CommandHelp(command)) return Usage("unknown command '" + command + "'");
  if (options.help) {
    std::fputs(CommandHelp(command), stdout);
    return 0;
  }
  if (options.json && command != "watch" && command != "send")
    return Usage("--json is for watch and send");
  if (command != "send" && !words.empty())
    return Usage(command + " takes no arguments, not '" + words[0] + "'");
  if (command == "functions") {
    for (const calls::Function &f : calls::Functions())
      std::printf("%-22s %s\n", f.name, f.argNames);
    return 0;
  }

  // send: the function and its arguments are checked before any gateway.
  const calls::Function *function = nullptr;
  calls::Values values;
  if (command == "send") {
    if (words.empty()) return Usage("send: name a function, e.g. PT_LB_DspNum");
    function = calls::FindFunction(words[0]);
    if (!function)
      return Usage("send: no function named '" + words[0] + "' (see 'roviro2 functions')");
    std::string error;
    if (!calls::ReadArguments(*function, {words.begin() + 1, words.end()}, values, error))
      return Usage("send: " + error);
  }

  std::string error;
  if (!calls::OpenTable(options.gateways, error)) return Fail(error);
  const double seconds = options.seconds;
  const double wait = seconds < 0 ? 5 : seconds;
  if (command == "send") return Send(*function, values, wait, options.json);
  if (command == "watch") {
    PT_GW_Open(0);
    cli::WatchOptions watch;
    watch.seconds = seconds;
    watch.json = options.json;
    watch.connections = true;
    cli::Watch(watch);
    PT_API_Close();
    return 0;
  }
  const bool connected = cli::ConnectAll(wait);
  if (command == "status") {
    const bool all = cli::PrintStatus();
    PT_API_Close();
    return connected && all ? 0 : 1;
  }
  if (!connected) std::fprintf(stderr, "roviro2: not every gateway is connected\n");
  // diag
  const int32_t result = PT_GW_TagDiag(0, 0);
  std::printf("PT_GW_TagDiag -> %d (%s)\n", result,
              calls::Meaning("PT_GW_TagDiag", result).c_str());
  cli::WatchOptions answers;
  answers.seconds = seconds < 0 ? 2 : seconds;
  answers.command = 9;
  const int count = cli::Watch(answers);
  PT_API_Close();
  return result == 0 && count > 0 ? 0 : 1;
}
