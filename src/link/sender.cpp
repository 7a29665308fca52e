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

int32_t Result(SendOutcome outcome) {
  return outcome == SendOutcome::kTaken ? ROVIRO2_SENT : SendError();
}

// Pieces of the longest frame a 16-bit length field allows.
constexpr std::size_t kMostPieces = (0xFFFF - kHeaderSize + kMaxPieceData - 1) / kMaxPieceData;
static_assert(2 * kMostPieces <= TClientSocket::kMostRuns, "a long frame is one send");

// A long frame goes out as pieces, all in one send: taken whole or refused.
int32_t SendPieces(TClientSocket &socket, const PieceCutter &cutter) {
  const std::size_t count = cutter.Count();
  if (count > kMostPieces) return SendError();
  FramePiece pieces[kMostPieces];
  ByteView runs[2 * kMostPieces];
  for (std::size_t i = 0; i < count; ++i) {
    pieces[i] = cutter.Piece(i);
    runs[2 * i] = {pieces[i].header, kHeaderSize};
    runs[2 * i + 1] = {pieces[i].data, pieces[i].dataSize};
  }
  return Result(socket.Send(runs, 2 * count));
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
    if (cutter.Whole()) return Result(socket->Send(frame, length));
    return SendPieces(*socket, cutter);
  });
}
