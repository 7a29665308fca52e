/* SPDX-License-Identifier: MIT */
// Notices: the texts with which the library tells the user about transport
// trouble. They are delivered synchronously, in order, on the caller's thread.
#pragma once

#include <functional>
#include <string>

namespace roviro2 {

using NoticeHandler = std::function<void(const std::string &text)>;

// Delivers one notice to the installed handler; without one, shows it the
// platform's way (ShowDefaultNotice).
void ShowNotice(const std::string &text);

// Each platform's own: one line on stderr on POSIX, a modal message box with
// an OK button on Windows. Returns once the user has seen it.
void ShowDefaultNotice(const std::string &text);

// Installs the handler of every later notice; an empty one restores the
// platform's way.
void SetNoticeHandler(NoticeHandler handler);

}  // namespace roviro2
