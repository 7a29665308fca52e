// SPDX-License-Identifier: MIT
#include "device.h"

#include <algorithm>

namespace gwsim {

void Terminal::Write(const std::string &bytes) {
  if (rows <= 0) rows = 4;
  if (screen.size() < static_cast<std::size_t>(rows)) screen.resize(rows);
  const int row = cursorRow >= 1 && cursorRow <= rows ? cursorRow - 1 : 0;
  std::string &line = screen[row];
  const std::size_t column =
      cursorColumn >= 1 ? static_cast<std::size_t>(std::min(cursorColumn, kMaxCursorColumn) - 1)
                        : 0;
  if (line.size() < column) line.resize(column, ' ');
  line.replace(column, bytes.size(), bytes);
  cursorColumn = static_cast<int>(column + bytes.size()) + 1;
  if (cursorRow < 1) cursorRow = 1;
}

void Terminal::Clear() {
  screen.assign(rows > 0 ? rows : 4, std::string());
  cursorRow = 1;
  cursorColumn = 1;
  scroll = 0;
}

void Device::Saw(const char *family) {
  const std::string name(family);
  if ((" " + kinds + " ").find(" " + name + " ") != std::string::npos) return;
  kinds += kinds.empty() ? name : " " + name;
}

}  // namespace gwsim
