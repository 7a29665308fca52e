/* SPDX-License-Identifier: MIT */
// Programs run beside a test or benchmark (a broker, the simulator, a
// tool), and the loopback ports they listen on.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace roviro2_test {

// Starts args (the program found on PATH or by its path) with standard
// output and error appended to `log`, and, when `input` is given, standard
// input from a pipe whose writing end is put there. 0 when it cannot start.
pid_t StartProcess(const std::vector<std::string> &args, const std::string &log,
                   int *input = nullptr);
// Ends it with SIGTERM and waits; its exit status, -1 when a signal ended it
// (or there was none). `pid` becomes 0.
int EndProcess(pid_t &pid);
// A loopback port nothing listens on now.
int FreeLoopbackPort();
// Whether something accepts connections on the loopback port.
bool LoopbackAccepts(int port);
std::string ReadWholeFile(const std::string &path);

}  // namespace roviro2_test
