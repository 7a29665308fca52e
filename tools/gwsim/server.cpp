// SPDX-License-Identifier: MIT
#include "server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "describe.h"

namespace gwsim {

namespace {

constexpr std::chrono::seconds kScriptPatience{30};
constexpr std::chrono::seconds kDrainPatience{2};

int Listen(uint16_t &port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  socklen_t size = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr *>(&address), size) != 0 || listen(fd, 4) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
    close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

Server::~Server() {
  for (auto &link : links_) {
    if (link->client >= 0) close(link->client);
    if (link->listener >= 0) close(link->listener);
  }
}

bool Server::Start(std::string &error) {
  for (std::size_t i = 0; i < options_.ports.size(); ++i) {
    auto link = std::make_unique<Link>();
    link->number = static_cast<int>(i + 1);
    link->port = options_.ports[i];
    link->listener = Listen(link->port);
    if (link->listener < 0) {
      error = "cannot listen on 127.0.0.1:" + std::to_string(options_.ports[i]);
      return false;
    }
    std::printf("gateway %d listening on 127.0.0.1:%u\n", link->number, link->port);
    links_.push_back(std::move(link));
  }
  std::fflush(stdout);
  Changed();
  return true;
}

uint16_t Server::Port(int number) const {
  return number >= 1 && number <= static_cast<int>(links_.size()) ? links_[number - 1]->port : 0;
}

Server::Link *Server::At(int number) {
  return number >= 1 && number <= static_cast<int>(links_.size()) ? links_[number - 1].get()
                                                                  : nullptr;
}

void Server::Accept(Link &link) {
  const int fd = accept4(link.listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  if (options_.sendBuffer > 0)
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &options_.sendBuffer, sizeof options_.sendBuffer);
  Drop(link, false);
  link.client = fd;
  link.reading = true;
  link.frames.Clear();
  if (options_.log) std::printf("--- gw%d client connected\n", link.number);
}

void Server::Drop(Link &link, bool reset) {
  if (link.client < 0) return;
  if (reset) {
    const linger abort{1, 0};
    setsockopt(link.client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  }
  close(link.client);
  link.client = -1;
  link.output.clear();
  link.outputAt = 0;
  if (options_.log) std::printf("--- gw%d client %s\n", link.number, reset ? "reset" : "closed");
}

void Server::Send(Link &link, const Bytes &bytes, bool log) {
  if (link.client < 0) return;
  if (log && options_.log)
    std::printf("%s\n", DescribeFrame("out", link.number, bytes.data(), bytes.size()).c_str());
  const bool idle = link.outputAt == link.output.size();
  link.output.insert(link.output.end(), bytes.begin(), bytes.end());
  if (idle) Flush(link);
  const std::size_t queued = link.output.size() - link.outputAt;
  if (link.client >= 0 && queued > kMaxQueuedOutput) {
    std::fprintf(stderr,
                 "roviro2-gwsim: gateway %d: the client leaves %zu bytes unread (more than "
                 "%zu); connection reset\n",
                 link.number, queued, kMaxQueuedOutput);
    Drop(link, true);
  }
}

void Server::Flush(Link &link) {
  while (link.client >= 0 && link.outputAt < link.output.size()) {
    const ssize_t sent = send(link.client, link.output.data() + link.outputAt,
                              link.output.size() - link.outputAt, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      link.outputAt += static_cast<std::size_t>(sent);
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      break;
    } else {
      Drop(link, false);  // the connection is gone
      return;
    }
  }
  if (link.outputAt == link.output.size()) {
    link.output.clear();
    link.outputAt = 0;
  } else if (link.outputAt >= (1u << 20)) {
    // Sent bytes are given back now and then, not on every partial send.
    link.output.erase(link.output.begin(),
                      link.output.begin() + static_cast<std::ptrdiff_t>(link.outputAt));
    link.outputAt = 0;
  }
}

void Server::Read(Link &link) {
  uint8_t chunk[65536];
  const ssize_t got = recv(link.client, chunk, sizeof chunk, MSG_DONTWAIT);
  if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
    Drop(link, false);
    return;
  }
  if (got < 0) return;
  const FrameCutter::Result cut =
      link.frames.Feed(chunk, static_cast<std::size_t>(got), Clock::now());
  for (const std::string &notice : cut.notices)
    std::printf("--- gw%d %s\n", link.number, notice.c_str());
  for (const Bytes &bytes : cut.frames) {
    if (options_.log)
      std::printf("%s\n", DescribeFrame("in", link.number, bytes.data(), bytes.size()).c_str());
    if (bytes.size() >= kHeaderSize) {
      seen_.insert(
          {link.number, PortOf(bytes[kPortCodeOffset]), bytes[kNodeOffset], bytes[kCommandOffset]});
    }
    for (const Bytes &answer : link.model.Handle(bytes.data(), bytes.size()))
      Send(link, answer);
  }
  Changed();
}

void Server::ReadInput() {
  char chunk[4096];
  const ssize_t got = read(input_, chunk, sizeof chunk);
  if (got <= 0) {
    input_ = -1;
    return;
  }
  pending_.append(chunk, static_cast<std::size_t>(got));
  // A line without end is dropped once it is too long to be a step.
  if (pending_.size() > kMaxScriptLine && pending_.find('\n') == std::string::npos) {
    std::fprintf(stderr, "roviro2-gwsim: script line longer than %zu characters dropped\n",
                 kMaxScriptLine);
    pending_.clear();
  }
  for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
    const std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    Action action{};
    bool empty = false;
    std::string error;
    if (!ParseAction(line, action, empty, error)) {
      std::fprintf(stderr, "roviro2-gwsim: %s\n", error.c_str());
    } else if (!empty) {
      Add(action);
    }
  }
}

// Whether the step at the head of the script may run now. A step that waits
// for a client or a frame gives up after 30 s with a message.
bool Server::Ready(Step &step) {
  const Action &a = step.action;
  if (step.started == Clock::time_point{}) step.started = Clock::now();
  const bool late = Clock::now() - step.started > kScriptPatience;
  if (a.kind == Action::kWait) {
    return Clock::now() - step.started >= std::chrono::milliseconds(a.number);
  }
  if (a.kind == Action::kExpect) {
    if (seen_.count({a.gateway, a.port, a.node, static_cast<int>(a.number)})) return true;
    if (late) std::fprintf(stderr, "roviro2-gwsim: gave up waiting for command %u\n", a.number);
    return late;
  }
  if (a.kind == Action::kDump || a.kind == Action::kQuit) return true;
  const Link *link = At(a.gateway);
  if (!link) return true;  // reported by Execute
  return link->client >= 0 || late;
}

void Server::Execute(const Action &a) {
  if (a.kind == Action::kQuit) {
    quit_ = true;
    return;
  }
  if (a.kind == Action::kDump) {
    std::printf("%s", Render().c_str());
    return;
  }
  if (a.kind == Action::kWait || a.kind == Action::kExpect) return;
  Link *link = At(a.gateway);
  if (!link) {
    std::fprintf(stderr, "roviro2-gwsim: there is no gateway %d\n", a.gateway);
    return;
  }
  switch (a.kind) {
    case Action::kClose:
      Drop(*link, false);
      return;
    case Action::kReset:
      Drop(*link, true);
      return;
    case Action::kPause:
      link->reading = false;
      return;
    case Action::kResume:
      link->reading = true;
      return;
    case Action::kBadLength:
      Send(*link,
           {static_cast<uint8_t>(a.number), static_cast<uint8_t>(a.number >> 8), 0x60, 0, 0, 0, 0,
            0},
           false);
      return;
    default:
      break;
  }
  const Bytes frame = EventFrame(a, link->model.At(a.port, a.node));
  if (a.kind == Action::kPieces) {
    const std::size_t third = frame.size() / 3;
    const auto now = Clock::now();
    const auto gap = std::chrono::milliseconds(a.number);
    link->later.push_back({now, Bytes(frame.begin(), frame.begin() + third)});
    link->later.push_back({now + gap, Bytes(frame.begin() + third, frame.begin() + 2 * third)});
    link->later.push_back({now + 2 * gap, Bytes(frame.begin() + 2 * third, frame.end())});
    return;
  }
  Send(*link, frame);
  Changed();
}

void Server::RunScript() {
  while (!script_.empty() && !quit_ && Ready(script_.front())) {
    const Action action = script_.front().action;
    script_.pop_front();
    Execute(action);
  }
  for (auto &link : links_) {
    while (!link->later.empty() && link->later.front().first <= Clock::now()) {
      Send(*link, link->later.front().second, false);
      link->later.pop_front();
    }
  }
}

std::string Server::Render(View view) const {
  std::string text;
  for (const auto &link : links_)
    text += RenderGateway(link->number, link->port, link->model, view);
  return text;
}

void Server::Changed() {
  if (!options_.stateFile.empty()) {
    const std::string temporary = options_.stateFile + ".new";
    std::ofstream(temporary) << Render();
    std::rename(temporary.c_str(), options_.stateFile.c_str());
  }
  if (options_.view) std::printf("\x1b[H\x1b[2J%s", Render(View::kTerminal).c_str());
  std::fflush(stdout);
}

void Server::Run(const std::atomic<bool> &stop) {
  while (!quit_ && !stop) {
    std::vector<pollfd> fds;
    for (const auto &link : links_) {
      // A paused client is still sent what is queued for it.
      const short events = static_cast<short>((link->reading ? POLLIN : 0) |
                                              (link->outputAt < link->output.size() ? POLLOUT : 0));
      fds.push_back({link->listener, POLLIN, 0});
      fds.push_back({events != 0 ? link->client : -1, events, 0});
    }
    fds.push_back({input_, POLLIN, 0});
    if (poll(fds.data(), fds.size(), 20) < 0 && errno != EINTR) return;
    for (std::size_t i = 0; i < links_.size(); ++i) {
      Link &link = *links_[i];
      const short got = fds[2 * i + 1].revents;
      if (fds[2 * i].revents) Accept(link);
      if (fds[2 * i + 1].fd != link.client) continue;  // replaced by Accept
      if (got & (POLLOUT | POLLERR | POLLHUP)) Flush(link);
      if (link.client >= 0 && link.reading && (got & (POLLIN | POLLERR | POLLHUP))) Read(link);
    }
    if (input_ >= 0 && fds.back().revents) ReadInput();
    RunScript();
    std::fflush(stdout);
  }
  Drain();
}

void Server::Drain() {
  const auto deadline = Clock::now() + kDrainPatience;
  for (;;) {
    std::vector<pollfd> fds;
    std::vector<Link *> waiting;
    for (const auto &link : links_) {
      if (link->client < 0 || link->outputAt == link->output.size()) continue;
      fds.push_back({link->client, POLLOUT, 0});
      waiting.push_back(link.get());
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (fds.empty() || left <= 0) return;
    if (poll(fds.data(), fds.size(), static_cast<int>(left)) < 0 && errno != EINTR) return;
    for (std::size_t i = 0; i < fds.size(); ++i)
      if (fds[i].revents) Flush(*waiting[i]);
  }
}

}  // namespace gwsim
