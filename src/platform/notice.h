// Notices: the texts with which the library tells the user about transport
// trouble. They are delivered synchronously, in order, on the caller's thread.
#pragma once

#include <functional>
#include <string>

namespace roviro2 {

using NoticeHandler = std::function<void(const std::string &text)>;

// Delivers one notice to the installed handler; without one, writes the text
// as one line to stderr.
void ShowNotice(const std::string &text);

// Installs the handler of every later notice; an empty one restores stderr.
void SetNoticeHandler(NoticeHandler handler);

}  // namespace roviro2
