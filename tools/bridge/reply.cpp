// SPDX-License-Identifier: MIT
#include "reply.h"

#include <nlohmann/json.hpp>

#include "roviro2_ext.h"

namespace bridge {

namespace {

nlohmann::json WithId(const std::string &id) {
  nlohmann::json reply = nlohmann::json::object();
  if (!id.empty()) reply["id"] = id;
  return reply;
}

// What the library wrote may hold any bytes: they never break the JSON.
std::string Dump(const nlohmann::json &reply) {
  return reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::string Call(const Command &command) {
  std::string output;
  const int32_t result = command.function->call(command.values, output);
  nlohmann::json reply = WithId(command.id);
  reply["function"] = command.function->name;
  reply["result"] = result;
  reply["text"] = roviro2_result_text(command.function->name, result);
  if (!output.empty()) reply["output"] = output;
  return Dump(reply);
}

std::string ErrorReply(const std::string &id, const std::string &error) {
  nlohmann::json reply = WithId(id);
  reply["error"] = error;
  return Dump(reply);
}

}  // namespace bridge
