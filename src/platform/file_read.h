/* SPDX-License-Identifier: MIT */
// Reading a configuration file without trusting it: only a regular file is
// read (a directory, FIFO, device or socket is refused, and opening never
// waits for a writer), and at most `limit` bytes of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace roviro2 {

// False when the path names no regular file that can be opened for reading.
// Bytes past `limit` are not read. Throws std::bad_alloc when the memory for
// the bytes cannot be had.
bool ReadRegularFile(const char *path, std::size_t limit, std::vector<uint8_t> &bytes);

}  // namespace roviro2
