// SPDX-License-Identifier: MIT
#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace roviro2 {

namespace {

// Reads up to `limit` bytes; false on a read error.
bool ReadUpTo(int fd, std::size_t limit, std::vector<uint8_t> &bytes) {
  constexpr std::size_t kStep = 64 * 1024;
  while (bytes.size() < limit) {
    const std::size_t held = bytes.size();
    const std::size_t want = limit - held < kStep ? limit - held : kStep;
    bytes.resize(held + want);
    ssize_t got;
    do {
      got = read(fd, bytes.data() + held, want);
    } while (got < 0 && errno == EINTR);
    bytes.resize(held + (got > 0 ? static_cast<std::size_t>(got) : 0));
    if (got < 0) return false;
    if (got == 0) break;
  }
  return true;
}

}  // namespace

bool ReadRegularFile(const char *path, std::size_t limit, std::vector<uint8_t> &bytes) {
  bytes.clear();
  // Non-blocking, so that a FIFO without a writer does not hold the open.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  try {
    ok = ok && ReadUpTo(fd, limit, bytes);
  } catch (...) {
    close(fd);
    throw;
  }
  close(fd);
  return ok;
}

}  // namespace roviro2
