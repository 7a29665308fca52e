/* SPDX-License-Identifier: MIT */
// The command-line tool's use of the library: connecting, the status and
// receiving.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// Connects every gateway, waiting at most `seconds`; true when all are up.
bool ConnectAll(double seconds);
// Prints every gateway's entry and status; true when all are connected.
bool PrintStatus();
// What Watch prints: frames, and with `connections` each gateway's
// connection changes ("connected", "lost", "refused" with the system's
// reason), as text or, with `json`, one JSON object a line.
struct WatchOptions {
  // How long, in seconds, from the call; negative: until interrupted. The
  // wait ends at the deadline, not at the next poll after it.
  double seconds = -1;
  int command = -1;   // >= 0: only frames of that command
  uint32_t tag = 0;   // only frames from this tag; a zero part matches any
  bool none = false;  // no frame at all (for a call that expects no answer)
  bool json = false;
  bool connections = false;
};
// Prints what WatchOptions asks for; returns how many frames were printed.
int Watch(const WatchOptions &options);

}  // namespace cli
