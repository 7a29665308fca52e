/* SPDX-License-Identifier: MIT */
// Plain TCP on 127.0.0.1 for the peers and the reference loops. Every wait
// is bounded by a deadline.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace bench {

using Clock = std::chrono::steady_clock;
// How long a benchmark waits for a peer, a connection or a frame before it
// reports an error instead of hanging.
constexpr std::chrono::seconds kPatience{10};

// A listening socket on 127.0.0.1 with a port of the kernel's choice; -1
// when none can be made.
int ListenLoopback(uint16_t &port);

// Accepts one connection, waiting at most `patience`; -1 on time-out.
int AcceptWithin(int listener, std::chrono::milliseconds patience);

// A client connected to 127.0.0.1:port with the options the library sets on
// its own sockets: non-blocking, no Nagle delay, the same keepalive; -1 on
// failure.
int ConnectLoopback(uint16_t port);

// Sends and receives of exactly `size` bytes. A blocking socket (a peer's)
// sleeps in the call; a non-blocking one (a reference loop's, like the
// library's) asks poll without sleeping until it is ready, as the library's
// application loop does. False when the connection ends first or nothing
// moves within the patience.
bool SendAll(int fd, const uint8_t *data, std::size_t size);
bool ReceiveAll(int fd, uint8_t *data, std::size_t size);
// Receives what is there, at most `size` bytes, waiting as above for the
// first; 0 when the connection ended or nothing came.
std::size_t ReceiveSome(int fd, uint8_t *data, std::size_t size);

// Keeps the calling thread on one processor when the machine has more than
// one: the application's thread on processor 0, the peers on processor 1,
// or on processor 0 with the application when the run places them together,
// so that every run of the library and of its reference sees the same
// placement.
constexpr int kApplicationCpu = 0;
constexpr int kPeerCpu = 1;
void PinThread(int cpu);

// Where a run places the peers: on a processor of their own (the default),
// or on the application's, where every wake-up of one side takes the
// processor from the other. Set for a whole run by the environment variable
// ROVIRO2_BENCH_PLACEMENT: "split" or "same".
enum class Placement { kSplit, kSame };
Placement RunPlacement();
// "split" or "same"; a value of the variable that is neither is taken as
// "split" and reported by ValidPlacement.
const char *PlacementName(Placement placement);
bool ValidPlacement();

// A peer's accepted connection blocks in send and recv, at most for the
// patience.
void ServeOptions(int fd);

// Closes a descriptor that may be -1.
void CloseFd(int &fd);

}  // namespace bench
