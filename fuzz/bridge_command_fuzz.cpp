// SPDX-License-Identifier: MIT
// The bridge's command reader on arbitrary bytes: a command whose arguments
// fit its function, or an error; either is answered with valid JSON on a
// topic the id cannot break. Nothing is called.
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

#include "command.h"
#include "fuzz_check.h"
#include "reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  const std::string payload(reinterpret_cast<const char *>(data), size);
  bridge::Command command;
  std::string error;
  const bool ok = bridge::ParseCommand(payload, command, error);
  FUZZ_CHECK(command.id.empty() || bridge::IsRequestId(command.id));
  FUZZ_CHECK(command.id.find_first_of("/+#") == std::string::npos);
  if (ok) {
    FUZZ_CHECK(command.function != nullptr);
    FUZZ_CHECK(error.empty());
    // Every argument was read: the last one is there, no more.
    const std::size_t count = std::strlen(command.function->kinds);
    if (count > 0) (void)command.values.U(count - 1);
  } else {
    FUZZ_CHECK(!error.empty());
    FUZZ_CHECK(!nlohmann::json::parse(bridge::ErrorReply(command.id, error), nullptr, false)
                    .is_discarded());
  }
  return 0;
}
