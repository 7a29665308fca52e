/* SPDX-License-Identifier: MIT */
// The system's socket headers: Winsock on Windows, the BSD headers elsewhere.
#pragma once

#ifdef _WIN32
#include "platform/win32/windows.h"
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif
