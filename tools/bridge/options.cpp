// SPDX-License-Identifier: MIT
#include "options.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "roviro2.h"
#include "values.h"

namespace bridge {

namespace {

const char kUsage[] =
    "usage: roviro2-bridge [OPTIONS]\n"
    "Puts the devices of a set of gateways on an MQTT broker: commands from\n"
    "roviro2/NAME/cmd, replies on roviro2/NAME/reply/ID, events on\n"
    "roviro2/NAME/tag/GW/PORT/NODE/event, statuses on roviro2/NAME/gw/ID/status.\n"
    "Options:\n"
    "  --host=HOST            the broker (default 127.0.0.1)\n"
    "  --port=PORT            its port (default 1883)\n"
    "  --client-id=ID         MQTT client id (default roviro2-bridge-NAME)\n"
    "  --username=USER        broker user\n"
    "  --password=WORD        its password (--password-file keeps it out of ps)\n"
    "  --password-file=FILE   the password: the first line of FILE\n"
    "  --cafile=FILE          TLS: the broker's certificate authority (turns TLS on)\n"
    "  --cert=FILE --key=FILE TLS: this client's certificate and key\n"
    "  --keepalive=SECONDS    MQTT keepalive (default 30, 5 to 3600)\n"
    "  --name=NAME            the bridge's name, a topic level (default bridge)\n"
    "  --queue=N              events kept while the broker is away (default 10000)\n"
    "  --retry-max=SECONDS    longest pause between broker attempts (default 10)\n"
    "  --ipindex=DIR          read the gateways from DIR/IPINDEX\n"
    "  --gateway=ID=IP:PORT   add a gateway (repeatable)\n"
    "  --help, --version\n"
    "Without --ipindex and --gateway the gateways come from ./IPINDEX.\n"
    "Exit status: 0 stopped by SIGINT or SIGTERM, 1 failed, 2 usage error.\n";

int Usage(const std::string &message) {
  std::fprintf(stderr, "roviro2-bridge: %s\nTry 'roviro2-bridge --help'.\n", message.c_str());
  return 2;
}

bool Whole(const char *text, long low, long high, long &value) {
  char *end = nullptr;
  value = std::strtol(text, &end, 10);
  return *text != '\0' && *end == '\0' && value >= low && value <= high;
}

bool FirstLine(const char *path, std::string &line) {
  std::ifstream in(path);
  if (!in || !std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// One option's value into `options`; false when it is not a valid value.
bool Take(int c, const char *value, Options &options) {
  long number = 0;
  switch (c) {
    case 'H':
      options.host = value;
      return !options.host.empty();
    case 'p':
      return Whole(value, 1, 65535, number) && (options.port = static_cast<int>(number), true);
    case 'i':
      options.clientId = value;
      return !options.clientId.empty() && options.clientId.size() <= 256;
    case 'u':
      options.username = value;
      return true;
    case 'w':
      options.password = value;
      return true;
    case 'W':
      return FirstLine(value, options.password);
    case 'A':
      options.caFile = value;
      return true;
    case 'C':
      options.certFile = value;
      return true;
    case 'K':
      options.keyFile = value;
      return true;
    case 'k':
      return Whole(value, 5, 3600, number) && (options.keepalive = static_cast<int>(number), true);
    case 'n':
      options.name = value;
      return IsTopicLevel(options.name);
    case 'q':
      return Whole(value, 1, 10000000, number) &&
             (options.queueSize = static_cast<std::size_t>(number), true);
    case 'r': {
      char *end = nullptr;
      options.retryMax = std::strtod(value, &end);
      return *value != '\0' && *end == '\0' && options.retryMax >= 0.1 && options.retryMax <= 3600;
    }
    case 'x':
      options.ipindexFolder = value;
      return !options.ipindexFolder.empty();
    case 'g': {
      calls::GatewayOption g{};
      if (!calls::ParseGateway(value, g.id, g.ip, g.port)) return false;
      options.gateways.push_back(g);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

bool IsTopicLevel(const std::string &name) {
  if (name.empty() || name.size() > 64) return false;
  for (const char c : name) {
    if (c == '/' || c == '+' || c == '#' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      return false;
  }
  return true;
}

int ReadOptions(int argc, char **argv, Options &options) {
  static const option kOptions[] = {{"host", required_argument, nullptr, 'H'},
                                    {"port", required_argument, nullptr, 'p'},
                                    {"client-id", required_argument, nullptr, 'i'},
                                    {"username", required_argument, nullptr, 'u'},
                                    {"password", required_argument, nullptr, 'w'},
                                    {"password-file", required_argument, nullptr, 'W'},
                                    {"cafile", required_argument, nullptr, 'A'},
                                    {"cert", required_argument, nullptr, 'C'},
                                    {"key", required_argument, nullptr, 'K'},
                                    {"keepalive", required_argument, nullptr, 'k'},
                                    {"name", required_argument, nullptr, 'n'},
                                    {"queue", required_argument, nullptr, 'q'},
                                    {"retry-max", required_argument, nullptr, 'r'},
                                    {"ipindex", required_argument, nullptr, 'x'},
                                    {"gateway", required_argument, nullptr, 'g'},
                                    {"help", no_argument, nullptr, 'h'},
                                    {"version", no_argument, nullptr, 'V'},
                                    {nullptr, 0, nullptr, 0}};
  opterr = 0;
  optind = 0;
  for (int c; (c = getopt_long(argc, argv, ":h", kOptions, nullptr)) != -1;) {
    if (c == 'h') {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (c == 'V') {
      std::printf("roviro2-bridge %s\n", ROVIRO2_VERSION_STRING);
      return 0;
    }
    if (c == ':') return Usage(std::string("option '") + argv[optind - 1] + "' needs a value");
    if (c == '?') return Usage(std::string("unknown option '") + argv[optind - 1] + "'");
    if (!Take(c, optarg, options))
      return Usage(std::string("bad value '") + optarg + "' for option '" + argv[optind - 1] + "'");
  }
  if (optind < argc) return Usage(std::string("unexpected argument '") + argv[optind] + "'");
  if (options.certFile.empty() != options.keyFile.empty())
    return Usage("--cert and --key go together");
  if (!options.certFile.empty() && options.caFile.empty())
    return Usage("--cert needs --cafile (TLS)");
  if (options.clientId.empty()) options.clientId = "roviro2-bridge-" + options.name;
  return -1;
}

}  // namespace bridge
