#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/dbus/bus_error.h"

struct sd_bus_message;

namespace vigilix::platform {

// Reads a message's arguments in order. The first failure sticks: later reads do nothing and
// answer empty values, so a caller reads everything and then asks once whether it all went.
class BusArgumentReader {
 public:
  explicit BusArgumentReader(sd_bus_message* message) : message_(message) {}

  std::string string();                // "s"
  bool boolean();                      // "b"
  double number();                     // "d"
  std::uint32_t uint32();              // "u"
  std::vector<std::string> strings();  // "as"
  std::string objectPath();            // "o"
  // Enters the next container of `type` ('a', 'r', 'e', 'v') holding
  // `contents`; false at the end of the array being read (no failure) or on a
  // failure. Each container entered is left with leave().
  bool enter(char type, const char* contents);
  void leave();
  // Passes over the next arguments, of `signature`, unread.
  void skip(const char* signature);

  explicit operator bool() const { return result_ >= 0; }
  // The first failure as sd-bus's negative errno; a missing argument is -ENXIO.
  int result() const { return result_; }
  BusError error() const { return busErrorFromResult(result_); }

 private:
  bool took(int result);

  sd_bus_message* message_;
  int result_ = 0;
};

// Appends arguments in order; the first failure sticks, as with the reader.
class BusArgumentWriter {
 public:
  explicit BusArgumentWriter(sd_bus_message* message) : message_(message) {}

  BusArgumentWriter& string(const std::string& text);
  BusArgumentWriter& boolean(bool value);
  BusArgumentWriter& int32(std::int32_t value);
  BusArgumentWriter& uint32(std::uint32_t value);
  BusArgumentWriter& number(double value);
  BusArgumentWriter& strings(const std::vector<std::string>& texts);
  // An empty "a{sv}", as the platform data nobody reads.
  BusArgumentWriter& emptyDictionary();
  // An array ('a') or a structure ('r') of `contents`, ended by close().
  BusArgumentWriter& open(char container, const char* contents);
  BusArgumentWriter& close();

  int result() const { return result_; }

 private:
  BusArgumentWriter& took(int result);

  sd_bus_message* message_;
  int result_ = 0;
};

using BusWrite = std::function<void(BusArgumentWriter&)>;

// The appending callback the connections take, writing through `write`.
std::function<int(sd_bus_message*)> appendArguments(BusWrite write);

}  // namespace vigilix::platform
