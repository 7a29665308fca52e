// SPDX-License-Identifier: MIT
#include "support/ipindex_dir.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace roviro2_test {

namespace {

// A new, empty folder under the system's temporary folder.
std::string MakeTemporaryFolder() {
  std::mt19937_64 random(
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path path =
        fs::temp_directory_path() / ("roviro2-test-" + std::to_string(random() % 1000000000));
    std::error_code error;
    if (fs::create_directory(path, error)) return path.string();
  }
  throw std::runtime_error("cannot make a temporary folder");
}

}  // namespace

IpIndexDir::IpIndexDir() : path_(MakeTemporaryFolder()), previous_(fs::current_path().string()) {
  fs::current_path(path_);
}

IpIndexDir::~IpIndexDir() {
  Remove();
  std::error_code error;
  fs::current_path(previous_, error);
  if (error) std::fprintf(stderr, "cannot return to %s\n", previous_.c_str());
  fs::remove(path_, error);
}

void IpIndexDir::Write(const std::string &contents) const {
  std::ofstream((fs::path(path_) / "IPINDEX").string(), std::ios::binary | std::ios::trunc)
      << contents;
}

void IpIndexDir::Remove() const {
  std::error_code error;
  fs::remove(fs::path(path_) / "IPINDEX", error);
}

}  // namespace roviro2_test
