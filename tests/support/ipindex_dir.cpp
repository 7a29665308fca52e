#include "support/ipindex_dir.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace roviro2_test {

IpIndexDir::IpIndexDir() {
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) throw std::runtime_error("getcwd failed");
  previous_ = cwd;
  char pattern[] = "/tmp/roviro2-test-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  if (chdir(path_.c_str()) != 0) throw std::runtime_error("chdir failed");
}

IpIndexDir::~IpIndexDir() {
  Remove();
  if (chdir(previous_.c_str()) != 0) std::perror("chdir back");
  rmdir(path_.c_str());
}

void IpIndexDir::Write(const std::string &contents) const {
  std::ofstream(path_ + "/IPINDEX", std::ios::binary | std::ios::trunc) << contents;
}

void IpIndexDir::Remove() const {
  std::remove((path_ + "/IPINDEX").c_str());
}

}  // namespace roviro2_test
