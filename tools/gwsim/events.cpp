// SPDX-License-Identifier: MIT
#include "events.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "command_codes.h"

namespace gwsim {

namespace {

const std::map<std::string, Action::Kind> kKinds = {
    {"key", Action::kKey},       {"type", Action::kType},           {"scan", Action::kScan},
    {"input", Action::kInput},   {"tick", Action::kTick},           {"cnv", Action::kConvert},
    {"wait", Action::kWait},     {"expect", Action::kExpect},       {"close", Action::kClose},
    {"reset", Action::kReset},   {"pause", Action::kPause},         {"resume", Action::kResume},
    {"pieces", Action::kPieces}, {"badlength", Action::kBadLength}, {"dump", Action::kDump},
    {"quit", Action::kQuit},
};

bool Number(const std::string &word, uint32_t &value) {
  if (word.empty()) return false;
  char *end = nullptr;
  value = static_cast<uint32_t>(std::strtoul(word.c_str(), &end, 0));
  return *end == '\0';
}

// GW:PORT:NODE
bool Tag(const std::string &word, Action &a) {
  uint32_t gw = 0, port = 0, node = 0;
  const std::size_t first = word.find(':');
  const std::size_t second = word.find(':', first + 1);
  if (first == std::string::npos || second == std::string::npos) return false;
  if (!Number(word.substr(0, first), gw) ||
      !Number(word.substr(first + 1, second - first - 1), port) ||
      !Number(word.substr(second + 1), node) || gw < 1 || (port != 1 && port != 2) || node > 255) {
    return false;
  }
  a.gateway = static_cast<int>(gw);
  a.port = static_cast<int>(port);
  a.node = static_cast<uint8_t>(node);
  return true;
}

std::string Rest(std::istringstream &in) {
  std::string rest;
  std::getline(in >> std::ws, rest);
  return rest;
}

bool NeedsTag(Action::Kind k) {
  return k == Action::kKey || k == Action::kType || k == Action::kScan || k == Action::kInput ||
         k == Action::kTick || k == Action::kConvert || k == Action::kExpect ||
         k == Action::kPieces;
}

bool NeedsGateway(Action::Kind k) {
  return k == Action::kClose || k == Action::kReset || k == Action::kPause ||
         k == Action::kResume || k == Action::kBadLength;
}

Bytes FromText(const std::string &text) {
  return Bytes(text.begin(), text.end());
}

}  // namespace

bool ParseAction(const std::string &line, Action &action, bool &empty, std::string &error) {
  std::istringstream in(line);
  std::string verb;
  empty = !(in >> verb) || verb[0] == '#';
  if (empty) return true;
  const auto kind = kKinds.find(verb);
  if (kind == kKinds.end()) {
    error = "unknown command '" + verb + "'";
    return false;
  }
  action = Action{};
  action.kind = kind->second;
  std::string word;
  if (NeedsTag(action.kind) && !(in >> word && Tag(word, action))) {
    error = verb + ": expected a device as GATEWAY:PORT:NODE, e.g. 1:1:5";
    return false;
  }
  if (NeedsGateway(action.kind)) {
    uint32_t gw = 0;
    if (!(in >> word && Number(word, gw) && gw >= 1)) {
      error = verb + ": expected a gateway number from 1";
      return false;
    }
    action.gateway = static_cast<int>(gw);
  }
  switch (action.kind) {
    case Action::kKey:
    case Action::kInput:
    case Action::kWait:
    case Action::kExpect:
    case Action::kBadLength:
    case Action::kPieces:
      if (!(in >> word && Number(word, action.number))) {
        error = verb + ": expected a number";
        return false;
      }
      break;
    case Action::kTick:
      action.number = 1;
      if (in >> word && !Number(word, action.number)) {
        error = "tick: expected a count";
        return false;
      }
      break;
    default:
      break;
  }
  const std::string rest = Rest(in);
  if (action.kind == Action::kType || action.kind == Action::kScan ||
      action.kind == Action::kConvert || action.kind == Action::kPieces) {
    action.bytes = FromText(rest);
  } else if (!rest.empty()) {
    error = verb + ": unexpected '" + rest + "'";
    return false;
  }
  return true;
}

Bytes EventFrame(const Action &a, Device &d) {
  auto withStatus = [](Bytes data) {
    data.insert(data.begin(), 0x00);
    return data;
  };
  switch (a.kind) {
    case Action::kKey:
      return DeviceFrame(a.port, command::kKey, a.node, {static_cast<uint8_t>(a.number)});
    case Action::kType:
      return DeviceFrame(a.port, command::kKeys, a.node, withStatus(a.bytes));
    case Action::kScan:
      return DeviceFrame(a.port, command::kScan, a.node, withStatus(a.bytes));
    case Action::kInput:
      d.dio.inputs = static_cast<uint16_t>(a.number);
      return DeviceFrame(
          a.port, command::kInputs, a.node,
          {0x00, static_cast<uint8_t>(a.number), static_cast<uint8_t>(a.number >> 8)});
    case Action::kTick:
      d.dt2.value = static_cast<uint16_t>(d.dt2.value + a.number);
      return DeviceFrame(
          a.port, command::kCount, a.node,
          {0x00, static_cast<uint8_t>(d.dt2.value), static_cast<uint8_t>(d.dt2.value >> 8)});
    case Action::kConvert:
    case Action::kPieces:
      return DeviceFrame(a.port, command::kConverterData, a.node, a.bytes);
    default:
      return {};
  }
}

bool ReadScriptLine(std::istream &in, std::string &line, bool &tooLong) {
  line.clear();
  tooLong = false;
  for (int c; (c = in.get()) != std::char_traits<char>::eof();) {
    if (c == '\n') return true;
    if (line.size() == kMaxScriptLine) {
      tooLong = true;
      return true;
    }
    line.push_back(static_cast<char>(c));
  }
  return !line.empty();
}

}  // namespace gwsim
