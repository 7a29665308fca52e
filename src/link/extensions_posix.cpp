// SPDX-License-Identifier: MIT
// The extensions about gateways' connections and reception (roviro2_ext.h).
// Like every extension they are exported by the POSIX library only.
#include <cstring>
#include <string>
#include <system_error>

#include "link/reception_hold.h"
#include "platform/client_socket.h"
#include "registry/gateway_table.h"
#include "roviro2_ext.h"

using namespace roviro2;

namespace {

constexpr char kClosedByGateway[] = "closed by the gateway";

// Copies as much of text as fits in size bytes, with a zero byte.
void CopyText(const std::string &text, char *out, int size) {
  if (!out || size <= 0) return;
  const std::size_t room = static_cast<std::size_t>(size) - 1;
  const std::size_t count = text.size() < room ? text.size() : room;
  std::memcpy(out, text.data(), count);
  out[count] = '\0';
}

std::string ErrorText(const TClientSocket *socket) {
  if (!socket) return {};
  if (socket->LastError() != 0) return std::system_category().message(socket->LastError());
  return socket->EndedByPeer() ? kClosedByGateway : "";
}

}  // namespace

extern "C" {

ROVIRO2_API int roviro2_last_error(uint32_t gwId, char *text, int size) {
  const int32_t index = FindGateway(gwId);
  if (index < 0) return -1;
  const TClientSocket *socket = RegistryPart().GwTable[index].Socket.get();
  try {
    CopyText(ErrorText(socket), text, size);
  } catch (...) {
    CopyText("", text, size);  // no room for the text: the code still tells
  }
  return socket ? socket->LastError() : 0;
}

ROVIRO2_API size_t roviro2_set_receive_limit(size_t bytes) {
  const std::size_t previous = ReceiveLimit();
  SetReceiveLimit(bytes);
  return previous;
}

}  // extern "C"
