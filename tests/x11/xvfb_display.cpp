#include "x11/xvfb_display.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

#include "testing/temporary_folder.h"

namespace vigilix::testing {

namespace {

constexpr const char* kServer = "/usr/bin/Xvfb";

// The display number Xvfb writes, with a newline, once it accepts clients.
std::string readDisplayNumber(int fd) {
  std::string text;
  while (text.find('\n') == std::string::npos) {
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, 10000) <= 0) return "";
    std::array<char, 32> buffer{};
    const ssize_t count = ::read(fd, buffer.data(), buffer.size());
    if (count <= 0) return "";
    text.append(buffer.data(), static_cast<std::size_t>(count));
  }
  return text.substr(0, text.find('\n'));
}

}  // namespace

bool XvfbDisplay::available() { return ::access(kServer, X_OK) == 0; }

XvfbDisplay::XvfbDisplay(int width, int height) : folder_(makeTemporaryFolder("vigilix-xvfb")) {
  std::array<int, 2> ends{};
  if (::pipe2(ends.data(), O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
  // Only the writing end goes to the server.
  ::fcntl(ends[1], F_SETFD, 0);
  server_.emplace(
      std::vector<std::string>{kServer, "-displayfd", std::to_string(ends[1]), "-nolisten", "tcp",
                               "-screen", "0",
                               std::to_string(width) + "x" + std::to_string(height) + "x24"},
      folder_ / "xvfb.log");
  ::close(ends[1]);
  const std::string number = readDisplayNumber(ends[0]);
  ::close(ends[0]);
  if (number.empty()) {
    server_.reset();
    throw std::runtime_error("Xvfb did not start:\n" + readFile(folder_ / "xvfb.log"));
  }
  name_ = ":" + number;
}

std::string XvfbDisplay::log() const { return readFile(folder_ / "xvfb.log"); }

XvfbDisplay::~XvfbDisplay() {
  server_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

}  // namespace vigilix::testing
