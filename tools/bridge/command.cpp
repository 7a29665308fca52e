// SPDX-License-Identifier: MIT
#include "command.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "options.h"
#include "values.h"

namespace bridge {

namespace {

using Json = nlohmann::json;

// No export takes more than a frame's worth of bytes.
constexpr std::size_t kMaxCommand = 65536;

const char *KindName(char kind) {
  switch (kind) {
    case 't':
      return "a tag address (\"gw:port:node\", e.g. \"1:1:5\", or a number)";
    case 'n':
      return "a whole number";
    case 'l':
      return "a list of bytes 0..255";
    default:
      return "a text or a list of bytes";
  }
}

bool Number(const Json &value, uint32_t &number) {
  if (value.is_string()) return calls::ParseNumber(value.get<std::string>(), number);
  if (value.is_number_unsigned()) {
    const auto v = value.get<uint64_t>();
    if (v > std::numeric_limits<uint32_t>::max()) return false;
    number = static_cast<uint32_t>(v);
    return true;
  }
  if (value.is_number_integer()) {
    const auto v = value.get<int64_t>();
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<uint32_t>::max())
      return false;
    number = static_cast<uint32_t>(v);
    return true;
  }
  return false;
}

bool Bytes(const Json &value, std::string &bytes) {
  if (!value.is_array()) return false;
  for (const Json &item : value) {
    uint32_t byte = 0;
    if (!item.is_number_integer() || !Number(item, byte) || byte > 255) return false;
    bytes += static_cast<char>(byte);
  }
  return true;
}

// The characters of a JSON text as bytes, each one up to U+00FF.
bool Latin1(const std::string &utf8, std::string &bytes) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      bytes += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      bytes +=
          static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      return false;
    }
  }
  return true;
}

bool ReadOne(char kind, const Json &value, calls::Values &values) {
  uint32_t number = 0;
  std::string bytes;
  switch (kind) {
    case 't':
      if (value.is_string() ? !calls::ParseTag(value.get<std::string>(), number)
                            : !Number(value, number))
        return false;
      values.Add(number, {});
      return true;
    case 'n':
      if (!Number(value, number)) return false;
      values.Add(number, {});
      return true;
    case 'l': {
      std::vector<uint8_t> list;
      if (value.is_string()) {
        if (!calls::ParseByteList(value.get<std::string>(), list)) return false;
        bytes.assign(list.begin(), list.end());
      } else if (!Bytes(value, bytes)) {
        return false;
      }
      values.Add(0, bytes);
      return true;
    }
    default:
      if (value.is_string() ? !Latin1(value.get<std::string>(), bytes) : !Bytes(value, bytes))
        return false;
      values.Add(0, bytes);
      return true;
  }
}

std::vector<std::string> Words(const char *text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;)
    words.push_back(word);
  return words;
}

// The arguments in the function's order, from a list or an object of names.
bool Arrange(const calls::Function &function, const Json &args, std::vector<const Json *> &out,
             std::string &error) {
  const std::string kinds = function.kinds;
  const std::vector<std::string> names = Words(function.argNames);
  const std::string takes = std::string(function.name) + " takes " + std::to_string(kinds.size()) +
                            " argument(s): " + (kinds.empty() ? "none" : function.argNames);
  if (args.is_array()) {
    if (args.size() != kinds.size()) return error = takes, false;
    for (const Json &value : args)
      out.push_back(&value);
    return true;
  }
  if (!args.is_object()) return error = "\"args\" must be a list or an object", false;
  for (const auto &item : args.items()) {
    bool known = false;
    for (const std::string &name : names)
      known = known || name == item.key();
    if (!known) return error = "unknown argument '" + item.key() + "'; " + takes, false;
  }
  for (const std::string &name : names) {
    const auto at = args.find(name);
    if (at == args.end()) return error = "missing argument '" + name + "'; " + takes, false;
    out.push_back(&*at);
  }
  return true;
}

bool ReadId(const Json &message, Command &command, std::string &error) {
  const auto id = message.find("id");
  if (id == message.end()) return true;
  if (id->is_number_integer()) {
    command.id = id->dump();
    return true;
  }
  if (id->is_string() && IsRequestId(id->get<std::string>())) {
    command.id = id->get<std::string>();
    return true;
  }
  error = "\"id\" must be a whole number or a text of 1 to 64 characters without '/', '+', '#'";
  return false;
}

}  // namespace

bool IsRequestId(const std::string &id) {
  return IsTopicLevel(id);
}

bool ParseCommand(const std::string &payload, Command &command, std::string &error) {
  command = Command{};
  if (payload.size() > kMaxCommand)
    return error = "the command is longer than " + std::to_string(kMaxCommand) + " bytes", false;
  const Json message = Json::parse(payload, nullptr, false);
  if (message.is_discarded()) return error = "not JSON", false;
  if (!message.is_object()) return error = "the command must be a JSON object", false;
  if (!ReadId(message, command, error)) return false;
  const auto name = message.find("function");
  if (name == message.end() || !name->is_string())
    return error = "\"function\" must name a function, e.g. \"PT_LB_DspNum\"", false;
  command.function = calls::FindFunction(name->get<std::string>());
  if (!command.function)
    return error = "no function named '" + name->get<std::string>() + "'", false;
  static const Json kNone = Json::array();
  const auto args = message.find("args");
  std::vector<const Json *> ordered;
  if (!Arrange(*command.function, args == message.end() ? kNone : *args, ordered, error))
    return false;
  const std::vector<std::string> names = Words(command.function->argNames);
  for (std::size_t i = 0; i < ordered.size(); ++i) {
    if (!ReadOne(command.function->kinds[i], *ordered[i], command.values)) {
      error = "argument " + std::to_string(i + 1) + " of " + command.function->name + " (" +
              names[i] + ") must be " + KindName(command.function->kinds[i]);
      return false;
    }
  }
  return calls::CheckArguments(*command.function, command.values, error);
}

}  // namespace bridge
