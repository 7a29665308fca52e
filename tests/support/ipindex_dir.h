/* SPDX-License-Identifier: MIT */
// A temporary working directory holding an IPINDEX file, for tests of
// PT_API_Open. The previous working directory is restored on destruction.
#pragma once

#include <string>

namespace roviro2_test {

class IpIndexDir {
 public:
  IpIndexDir();
  ~IpIndexDir();
  IpIndexDir(const IpIndexDir &) = delete;
  IpIndexDir &operator=(const IpIndexDir &) = delete;

  // Writes IPINDEX with exactly these bytes.
  void Write(const std::string &contents) const;
  // Removes IPINDEX.
  void Remove() const;
  const std::string &Path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

}  // namespace roviro2_test
