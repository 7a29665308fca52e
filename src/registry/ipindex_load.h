/* SPDX-License-Identifier: MIT */
#pragma once

#include <cstdint>

namespace roviro2 {

// Loads GwTable from the IPINDEX file at path. Resets DefaultGw and GwCount,
// then fills one slot per kept entry (ID, address, port; OpenFlag and OpenCnt
// 0; socket and reception state untouched). Returns the number of entries,
// or -1 when the file cannot be opened, is no regular file (a directory,
// FIFO, device or socket) or holds a malformed number (then no entry is
// visible: GwCount stays 0). At most the first 1 MiB of the file is read.
int32_t LoadIpIndexFile(const char *path);

}  // namespace roviro2
