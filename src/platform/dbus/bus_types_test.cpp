// The typed reader and writer against sd-bus's own marshalling, on messages that are never sent.
#include "platform/dbus/bus_types.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "platform/dbus/bus_properties.h"

namespace vigilix::platform {
namespace {

// A bus object that makes messages without a bus daemon: sd-bus makes none on a bus not started.
class Scratch {
 public:
  Scratch() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) < 0 || sd_bus_new(&bus_) < 0 ||
        sd_bus_set_fd(bus_, fds_[0], fds_[0]) < 0 || sd_bus_start(bus_) < 0) {
      throw std::runtime_error("no scratch bus");
    }
  }
  ~Scratch() {
    sd_bus_close_unref(bus_);
    ::close(fds_[1]);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  BusMessage message() const {
    sd_bus_message* made = nullptr;
    if (sd_bus_message_new_signal(bus_, &made, "/t", "t.T", "M") < 0) {
      throw std::runtime_error("no message");
    }
    return BusMessage(made);
  }

 private:
  int fds_[2] = {-1, -1};
  sd_bus* bus_ = nullptr;
};

// Ready to read from the start.
void seal(const BusMessage& message) {
  ASSERT_GE(sd_bus_message_seal(message.get(), 1, 0), 0);
  ASSERT_GE(sd_bus_message_rewind(message.get(), 1), 0);
}

// The body as sd-bus prints it: every type and value.
std::string dump(const BusMessage& message) {
  char* text = nullptr;
  std::size_t size = 0;
  FILE* out = ::open_memstream(&text, &size);
  sd_bus_message_dump(message.get(), out, 0);
  std::fclose(out);
  std::string body(text, size);
  std::free(text);
  return body;
}

using Inhibitor =
    std::tuple<std::string, std::string, std::string, std::string, std::uint32_t, std::uint32_t>;
using MenuValue =
    std::variant<std::string, bool, std::int32_t, std::vector<std::vector<std::string>>>;
using Pixmap = std::tuple<std::int32_t, std::int32_t, std::vector<std::uint8_t>>;

// Writes `value` typed and reads it back typed.
template <typename T>
bool roundTrips(const Scratch& scratch, const T& value) {
  const BusMessage message = scratch.message();
  BusArgumentWriter out(message.get());
  out.write(value);
  if (out.result() < 0) return false;
  seal(message);
  BusArgumentReader in(message);
  const T read = in.read<T>();
  return in && in.atEnd() && read == value;
}

TEST(BusTypesTest, EachTypeIsWrittenAsSdBusWritesItAndReadsBack) {
  const Scratch scratch;
  struct Row {
    const char* name;
    std::string signature;
    std::function<void(BusArgumentWriter&)> typed;
    std::function<int(sd_bus_message*)> raw;
    std::function<bool()> roundTrips;
  };
  const std::vector<std::uint8_t> ssid = {'H', 0xC3, 0xA9, 0};
  const std::map<std::string, std::variant<std::string, std::uint8_t>> hints = {
      {"desktop-entry", std::string("run.tarvo.vigilix")}, {"urgency", std::uint8_t{1}}};
  const std::vector<Inhibitor> inhibitors = {{"sleep", "Vigilix", "why", "delay", 1000, 42},
                                             {"idle:sleep", "other", "", "block", 0, 1}};
  const MenuValue shortcut = std::vector<std::vector<std::string>>{{"Control", "q"}};
  const std::vector<Pixmap> pixmaps = {{2, 1, {0xFF, 1, 2, 3, 0xFF, 4, 5, 6}}};
  const std::vector<Row> rows = {
      {"texts, paths and numbers", "sobyiutd",
       [](BusArgumentWriter& out) {
         out.write(std::string("ä")).write(BusObjectPath{"/a/b"}).write(true);
         out.write(std::uint8_t{7}).write(std::int32_t{-3}).write(std::uint32_t{4});
         out.write(std::uint64_t{1} << 40).write(0.5);
       },
       [](sd_bus_message* m) {
         return sd_bus_message_append(m, "sobyiutd", "ä", "/a/b", 1, 7, -3, 4u,
                                      std::uint64_t{1} << 40, 0.5);
       },
       [&] {
         return roundTrips(scratch, std::string("ä")) && roundTrips(scratch, BusObjectPath{"/"}) &&
                roundTrips(scratch, false) && roundTrips(scratch, std::uint64_t{9});
       }},
      {"a name list", "as",
       [](BusArgumentWriter& out) {
         out.write(std::vector<std::string>{"a", ""});
       },
       [](sd_bus_message* m) { return sd_bus_message_append(m, "as", 2, "a", ""); },
       [&] {
         return roundTrips(scratch, std::vector<std::string>{"a", ""});
       }},
      {"an SSID's bytes", "ay", [&](BusArgumentWriter& out) { out.write(ssid); },
       [&](sd_bus_message* m) { return sd_bus_message_append_array(m, 'y', ssid.data(), 4); },
       [&] { return roundTrips(scratch, ssid); }},
      {"menu row ids", "ai",
       [](BusArgumentWriter& out) {
         out.write(std::vector<std::int32_t>{0, 7});
       },
       [](sd_bus_message* m) {
         const std::int32_t ids[] = {0, 7};
         return sd_bus_message_append_array(m, 'i', ids, sizeof ids);
       },
       [&] { return roundTrips(scratch, std::vector<std::int32_t>{}); }},
      {"a notice's hints", "a{sv}", [&](BusArgumentWriter& out) { out.write(hints); },
       [](sd_bus_message* m) {
         return sd_bus_message_append(m, "a{sv}", 2, "desktop-entry", "s", "run.tarvo.vigilix",
                                      "urgency", "y", 1);
       },
       [&] { return roundTrips(scratch, hints); }},
      {"logind's inhibitor rows", "a(ssssuu)",
       [&](BusArgumentWriter& out) { out.write(inhibitors); },
       [](sd_bus_message* m) {
         return sd_bus_message_append(m, "a(ssssuu)", 2, "sleep", "Vigilix", "why", "delay", 1000,
                                      42, "idle:sleep", "other", "", "block", 0, 1);
       },
       [&] { return roundTrips(scratch, inhibitors); }},
      {"a menu shortcut in its variant", "v", [&](BusArgumentWriter& out) { out.write(shortcut); },
       [](sd_bus_message* m) {
         int r = sd_bus_message_open_container(m, 'v', "aas");
         if (r >= 0) r = sd_bus_message_append(m, "aas", 1, 2, "Control", "q");
         return r < 0 ? r : sd_bus_message_close_container(m);
       },
       [&] {
         return roundTrips(scratch, shortcut) && roundTrips(scratch, MenuValue(std::int32_t{3})) &&
                roundTrips(scratch, MenuValue(true));
       }},
      {"icon pixmaps", "a(iiay)", [&](BusArgumentWriter& out) { out.write(pixmaps); },
       [&](sd_bus_message* m) {
         int r = sd_bus_message_open_container(m, 'a', "(iiay)");
         if (r >= 0) r = sd_bus_message_open_container(m, 'r', "iiay");
         if (r >= 0) r = sd_bus_message_append(m, "ii", 2, 1);
         if (r >= 0) r = sd_bus_message_append_array(m, 'y', std::get<2>(pixmaps[0]).data(), 8);
         if (r >= 0) r = sd_bus_message_close_container(m);
         return r < 0 ? r : sd_bus_message_close_container(m);
       },
       [&] { return roundTrips(scratch, pixmaps); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const BusMessage typed = scratch.message();
    BusArgumentWriter out(typed.get());
    row.typed(out);
    ASSERT_GE(out.result(), 0);
    const BusMessage raw = scratch.message();
    ASSERT_GE(row.raw(raw.get()), 0);
    seal(typed);
    seal(raw);
    EXPECT_EQ(BusArgumentReader(typed).signature(), row.signature);
    EXPECT_EQ(dump(typed), dump(raw));
    EXPECT_TRUE(row.roundTrips());
  }
}

TEST(BusTypesTest, AReadingThatMeetsSomethingElseFailsAndStaysFailed) {
  const Scratch scratch;
  struct Row {
    const char* name;
    std::function<int(sd_bus_message*)> sent;
    std::function<void(BusArgumentReader&)> read;
    int result;
  };
  const std::vector<Row> rows = {
      {"a number where a text was wanted",
       [](sd_bus_message* m) { return sd_bus_message_append(m, "us", 1u, "x"); },
       [](BusArgumentReader& in) {
         in.string();
         in.string();
       },
       -ENXIO},
      {"an argument left out", [](sd_bus_message* m) { return sd_bus_message_append(m, "s", "x"); },
       [](BusArgumentReader& in) {
         in.string();
         in.uint32();
       },
       -ENXIO},
      {"a variant of a type the reader does not take",
       [](sd_bus_message* m) { return sd_bus_message_append(m, "v", "u", 5u); },
       [](BusArgumentReader& in) { in.read<std::variant<std::string, bool>>(); }, -ENXIO},
      {"an array of other elements",
       [](sd_bus_message* m) { return sd_bus_message_append(m, "a(su)", 1, "x", 2u); },
       [](BusArgumentReader& in) {
         EXPECT_TRUE((in.read<std::vector<std::tuple<std::string, std::string>>>().empty()));
         EXPECT_TRUE(in.atEnd());
       },
       -ENXIO},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const BusMessage message = scratch.message();
    ASSERT_GE(row.sent(message.get()), 0);
    seal(message);
    BusArgumentReader in(message);
    row.read(in);
    EXPECT_FALSE(in);
    EXPECT_EQ(in.result(), row.result);
    EXPECT_EQ(in.string(), "") << "later reads do nothing";
  }
}

TEST(BusTypesTest, PropertiesChangedSignalsAreReadAsServicesSendThem) {
  const Scratch scratch;
  struct Row {
    const char* name;
    std::function<int(sd_bus_message*)> sent;
    bool read;
    std::vector<std::string> names;
    std::optional<bool> lidClosed;
    bool invalidated;
  };
  const std::vector<Row> rows = {
      {"a new value among others",
       [](sd_bus_message* m) {
         return sd_bus_message_append(m, "sa{sv}as", "org.freedesktop.UPower", 2, "OnBattery", "b",
                                      0, "LidIsClosed", "b", 1, 0);
       },
       true,
       {"OnBattery", "LidIsClosed"},
       true,
       false},
      {"invalidated only",
       [](sd_bus_message* m) {
         return sd_bus_message_append(m, "sa{sv}as", "org.freedesktop.UPower", 0, 1, "LidIsClosed");
       },
       true,
       {"LidIsClosed"},
       std::nullopt,
       true},
      {"about another interface",
       [](sd_bus_message* m) {
         return sd_bus_message_append(m, "sa{sv}as", "org.freedesktop.UPower.Device", 1,
                                      "LidIsClosed", "b", 1, 0);
       },
       false,
       {},
       std::nullopt,
       false},
      {"the value of another type",
       [](sd_bus_message* m) {
         return sd_bus_message_append(m, "sa{sv}as", "org.freedesktop.UPower", 1, "LidIsClosed",
                                      "s", "yes", 0);
       },
       true,
       {"LidIsClosed"},
       std::nullopt,
       false},
      {"no invalidated list",
       [](sd_bus_message* m) {
         return sd_bus_message_append(m, "sa{sv}", "org.freedesktop.UPower", 1, "LidIsClosed", "b",
                                      1);
       },
       false,
       {},
       std::nullopt,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const BusMessage message = scratch.message();
    ASSERT_GE(row.sent(message.get()), 0);
    seal(message);
    BusArgumentReader names(message);
    const auto change = readPropertiesChanged(names, "org.freedesktop.UPower");
    ASSERT_EQ(change.has_value(), row.read);
    if (change) {
      for (const std::string& name : row.names) EXPECT_TRUE(change->names(name)) << name;
      EXPECT_FALSE(change->names("Other"));
    }
    ASSERT_GE(sd_bus_message_rewind(message.get(), 1), 0);
    BusArgumentReader values(message);
    bool invalidated = false;
    EXPECT_EQ(changedValue<bool>(values, "org.freedesktop.UPower", "LidIsClosed", &invalidated),
              row.lidClosed);
    EXPECT_EQ(invalidated, row.invalidated);
  }
}

}  // namespace
}  // namespace vigilix::platform
