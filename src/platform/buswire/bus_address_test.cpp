#include "platform/buswire/bus_address.h"

#include <gtest/gtest.h>

namespace vigilix::platform {
namespace {

TEST(BusAddressTest, FindsTheSessionBusSocketsInTheOrderTheyAreTried) {
  using Sockets = std::vector<BusSocketAddress>;
  struct Row {
    const char* name;
    std::optional<std::string> sessionAddress;
    std::optional<std::string> runtimeDir;
    std::optional<Sockets> sockets;  // none: an error
  };
  const Row rows[] = {
      {"a path", "unix:path=/run/user/1000/bus", "/ignored", Sockets{{"/run/user/1000/bus"}}},
      {"an abstract name with a guid",
       "unix:abstract=/tmp/dbus-AbC,guid=0123abcd",
       {},
       Sockets{{"/tmp/dbus-AbC", true}}},
      {"escapes undone", "unix:path=/tmp/a%20b%2c%3Bc%25", {}, Sockets{{"/tmp/a b,;c%"}}},
      {"several entries, other transports skipped",
       "tcp:host=localhost,port=1;unix:path=/a;;unixexec:path=/bin/x;unix:abstract=b",
       {},
       Sockets{{"/a"}, {"b", true}}},
      {"a unix entry naming no socket is skipped",
       "unix:tmpdir=/tmp;unix:path=/b",
       {},
       Sockets{{"/b"}}},
      {"no usable entry", "tcp:host=localhost,port=1", "/run/user/1000", std::nullopt},
      {"an empty address", "", "/run/user/1000", std::nullopt},
      {"a malformed escape", "unix:path=/a%2", {}, std::nullopt},
      {"a hex escape of no hex", "unix:path=/a%zz", {}, std::nullopt},
      {"an entry with no transport", "path=/a", {}, std::nullopt},
      {"a key without a value", "unix:path", {}, std::nullopt},
      {"a NUL in a path", "unix:path=/a%00b", {}, std::nullopt},
      {"a path longer than a socket address holds",
       "unix:path=/" + std::string(200, 'a'),
       {},
       std::nullopt},
      {"the runtime folder's bus when no address is set", std::nullopt, "/run/user/1000",
       Sockets{{"/run/user/1000/bus"}}},
      {"neither set", std::nullopt, std::nullopt, std::nullopt},
      {"an empty runtime folder", std::nullopt, "", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto sockets = sessionBusSockets(row.sessionAddress, row.runtimeDir);
    if (row.sockets) {
      EXPECT_EQ(sockets, *row.sockets) << (sockets ? "" : sockets.error());
    } else {
      ASSERT_FALSE(sockets.has_value());
      EXPECT_FALSE(sockets.error().empty());
    }
  }
}

}  // namespace
}  // namespace vigilix::platform
