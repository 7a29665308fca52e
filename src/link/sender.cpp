// SPDX-License-Identifier: MIT
// PT_GW_SndMsg: the one road by which frames leave the library.
#include "link/pieces.h"
#include "platform/boundary.h"
#include "platform/client_socket.h"
#include "platform/notice.h"
#include "registry/gateway_table.h"
#include "roviro2.h"

using namespace roviro2;

namespace {

constexpr std::size_t kSmallestLength = 6;

int32_t SendError() {
  ShowNotice("TCP Send Error");
  return ROVIRO2_SEND_FAILED;
}

}  // namespace

// Every byte of the frame is taken by the connection, or none: a frame the
// connection cannot hold whole is refused before any piece goes out.
extern "C" ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_SndMsg(uint32_t gwId, const uint8_t *frame) {
  return Guarded(ROVIRO2_SEND_FAILED, [&]() -> int32_t {
    const int32_t index = FindGateway(gwId);
    if (index < 0) return ROVIRO2_NO_GATEWAY;
    TClientSocket *socket = RegistryPart().GwTable[index].Socket.get();
    if (!socket) return ROVIRO2_NEVER_OPENED;
    if (!socket->Active()) return ROVIRO2_NOT_UP;
    if (!frame) return ROVIRO2_SEND_FAILED;
    const std::size_t length = ReadLength(frame);
    if (length < kSmallestLength) return ROVIRO2_SEND_FAILED;

    const PieceCutter cutter(frame, length);
    if (!socket->Reserve(cutter.WireSize())) return SendError();
    for (std::size_t i = 0; i < cutter.Count(); ++i) {
      const FramePiece piece = cutter.Piece(i);
      const ByteView whole[] = {{piece.data, piece.dataSize}};
      const ByteView cut[] = {{piece.header, kHeaderSize}, {piece.data, piece.dataSize}};
      const SendOutcome outcome = cutter.Whole() ? socket->Send(whole, 1) : socket->Send(cut, 2);
      if (outcome != SendOutcome::kTaken) return SendError();
    }
    return ROVIRO2_SENT;
  });
}
