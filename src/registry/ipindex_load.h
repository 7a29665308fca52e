/* SPDX-License-Identifier: MIT */
#pragma once

#include <cstdint>

namespace roviro2 {

// Loads GwTable from the IPINDEX file at path. Resets DefaultGw and GwCount,
// then fills one slot per kept entry (ID, address, port; OpenFlag and OpenCnt
// 0; socket and reception state untouched). Returns the number of entries,
// or -1 when the file cannot be opened or holds a malformed number (then no
// entry is visible: GwCount stays 0).
int32_t LoadIpIndexFile(const char *path);

}  // namespace roviro2
