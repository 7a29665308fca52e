/* SPDX-License-Identifier: MIT */
// The Windows headers as the platform layer uses them: Winsock 2 before
// windows.h, no min/max macros, Windows 7 as the oldest system.
#pragma once

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

// In this order: Winsock 2 before windows.h, its extensions after it.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <mstcpip.h>
// clang-format on
