// SPDX-License-Identifier: MIT
#include "child_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

extern char **environ;

namespace roviro2_test {

namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

}  // namespace

pid_t StartProcess(const std::vector<std::string> &args, const std::string &log, int *input) {
  std::vector<char *> argv;
  for (const std::string &a : args)
    argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int fds[2] = {-1, -1};
  if (input && pipe(fds) == 0) {
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
  }
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&actions);
  if (input) {
    if (fds[0] >= 0) close(fds[0]);
    *input = fds[1];
  }
  return pid;
}

int EndProcess(pid_t &pid) {
  if (pid <= 0) return -1;
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  pid = 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int FreeLoopbackPort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof address;
  const bool bound = bind(s, reinterpret_cast<sockaddr *>(&address), size) == 0 &&
                     getsockname(s, reinterpret_cast<sockaddr *>(&address), &size) == 0;
  close(s);
  return bound ? ntohs(address.sin_port) : 0;
}

bool LoopbackAccepts(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address = Loopback(port);
  const bool up = connect(s, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
  close(s);
  return up;
}

std::string ReadWholeFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace roviro2_test
