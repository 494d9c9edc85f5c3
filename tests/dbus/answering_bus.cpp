#include "dbus/answering_bus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

namespace vigilix::testing {

std::string answerOnce(const std::filesystem::path& path, const std::string& answer,
                       const std::function<void()>& client, const std::function<void()>& ready) {
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
  EXPECT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  EXPECT_EQ(listen(listener, 1), 0);
  std::string received;
  std::thread server([&] {
    const int peer = accept(listener, nullptr, nullptr);
    char buffer[4096];
    while (received.find("BEGIN\r\n") == std::string::npos) {
      const ssize_t count = recv(peer, buffer, sizeof(buffer), 0);
      if (count <= 0) break;
      received.append(buffer, static_cast<std::size_t>(count));
    }
    if (ready) ready();
    EXPECT_EQ(send(peer, answer.data(), answer.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(answer.size()));
    // Everything the client sends is read before closing, so it sees an end, not a reset.
    shutdown(peer, SHUT_WR);
    while (recv(peer, buffer, sizeof(buffer), 0) > 0) {
    }
    close(peer);
  });
  client();
  server.join();
  close(listener);
  std::filesystem::remove(path);
  return received;
}

}  // namespace vigilix::testing
