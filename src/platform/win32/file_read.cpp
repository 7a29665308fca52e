// SPDX-License-Identifier: MIT
#include "platform/file_read.h"

#include "platform/win32/windows.h"

namespace roviro2 {

namespace {

struct FileHandle {
  HANDLE handle;
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

}  // namespace

bool ReadRegularFile(const char *path, std::size_t limit, std::vector<uint8_t> &bytes) {
  bytes.clear();
  // A directory cannot be opened this way; a pipe or device is refused by
  // its type.
  const FileHandle file{CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE || GetFileType(file.handle) != FILE_TYPE_DISK) {
    return false;
  }
  constexpr std::size_t kStep = 64 * 1024;
  while (bytes.size() < limit) {
    const std::size_t held = bytes.size();
    const std::size_t want = limit - held < kStep ? limit - held : kStep;
    bytes.resize(held + want);
    DWORD got = 0;
    const BOOL read =
        ReadFile(file.handle, bytes.data() + held, static_cast<DWORD>(want), &got, nullptr);
    bytes.resize(held + got);
    if (!read) return false;
    if (got == 0) break;
  }
  return true;
}

}  // namespace roviro2
