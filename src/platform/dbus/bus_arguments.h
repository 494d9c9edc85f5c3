#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/buswire/bus_error.h"

struct sd_bus_message;

namespace vigilix::platform {

struct BusMessageRelease {
  void operator()(sd_bus_message* message) const;
};
// A message held, as the reply of a blocking call.
using BusMessage = std::unique_ptr<sd_bus_message, BusMessageRelease>;

// An object path ("o"), apart from a string ("s") so that the type says which one travels.
struct BusObjectPath {
  std::string value;
  bool operator==(const BusObjectPath&) const = default;
};

// Reads a message in order: its header, and its arguments one by one or as whole typed values
// (read<T>, see bus_types.h). The first failure sticks: later reads do nothing and answer empty
// values, so a caller reads everything and then asks once whether it all went. Copies read on
// from the same place. Valid while the message is.
class BusArgumentReader {
 public:
  explicit BusArgumentReader(sd_bus_message* message) : message_(message) {}
  explicit BusArgumentReader(const BusMessage& message) : message_(message.get()) {}

  // The header: empty where the message has none.
  std::string sender() const;
  std::string path() const;
  std::string interface() const;
  std::string member() const;
  // The types of all its arguments ("ss").
  std::string signature() const;

  std::string string();                // "s"
  std::string objectPath();            // "o"
  bool boolean();                      // "b"
  std::uint8_t byte();                 // "y"
  std::int32_t int32();                // "i"
  std::uint32_t uint32();              // "u"
  std::uint64_t uint64();              // "t"
  double number();                     // "d"
  std::vector<std::string> strings();  // "as"
  std::vector<std::uint8_t> bytes();   // "ay"
  std::vector<std::int32_t> int32s();  // "ai"
  // "h": the message's own copy of the descriptor, closed with the message; -1 on failure.
  int unixFd();
  template <typename T>
  T read();
  // A variant ("v") that holds a T; another type inside is a failure.
  template <typename T>
  T variant();

  // Steps into the container next, an array ('a'), structure ('r'), dictionary entry ('e') or
  // variant ('v') of `contents`, and out of it again.
  bool enter(char type, const char* contents);
  void exit();
  // Whether the container entered last (else the message) has nothing more; true once failed.
  bool atEnd();
  // The type inside the variant next ("s"); empty when the next is no variant.
  std::string variantContents();
  // Passes over the next arguments, of `signature`, unread.
  void skip(const char* signature);
  // What came is not what the reader needs: the reading fails from here.
  void fail();

  explicit operator bool() const { return result_ >= 0; }
  // The first failure as sd-bus's negative errno; a missing argument is -ENXIO.
  int result() const { return result_; }
  BusError error() const { return busErrorFromResult(result_); }

  // For test peers that speak sd-bus themselves.
  sd_bus_message* raw() const { return message_; }

 private:
  bool took(int result);

  sd_bus_message* message_;
  int result_ = 0;
};

// Appends arguments in order, one by one or as whole typed values (write<T>, see bus_types.h);
// the first failure sticks, as with the reader.
class BusArgumentWriter {
 public:
  explicit BusArgumentWriter(sd_bus_message* message) : message_(message) {}

  BusArgumentWriter& string(const std::string& text);
  BusArgumentWriter& objectPath(const std::string& path);
  BusArgumentWriter& boolean(bool value);
  BusArgumentWriter& byte(std::uint8_t value);
  BusArgumentWriter& int32(std::int32_t value);
  BusArgumentWriter& uint32(std::uint32_t value);
  BusArgumentWriter& uint64(std::uint64_t value);
  BusArgumentWriter& number(double value);
  BusArgumentWriter& strings(const std::vector<std::string>& texts);
  BusArgumentWriter& bytes(std::span<const std::uint8_t> values);
  BusArgumentWriter& int32s(std::span<const std::int32_t> values);
  // An empty "a{sv}", as the platform data nobody reads.
  BusArgumentWriter& emptyDictionary();
  template <typename T>
  BusArgumentWriter& write(const T& value);
  // A variant ("v") holding `value`.
  template <typename T>
  BusArgumentWriter& variant(const T& value);
  // An array ('a'), structure ('r'), dictionary entry ('e') or variant ('v') of `contents`,
  // ended by close().
  BusArgumentWriter& open(char container, const char* contents);
  BusArgumentWriter& close();
  // A method call that lets the service ask the user (polkit's password prompt).
  BusArgumentWriter& allowInteractiveAuthorization();

  int result() const { return result_; }

  // For test peers that speak sd-bus themselves.
  sd_bus_message* raw() const { return message_; }

 private:
  BusArgumentWriter& took(int result);

  sd_bus_message* message_;
  int result_ = 0;
};

using BusWrite = std::function<void(BusArgumentWriter&)>;

// Writes through `write` (nothing when empty); sd-bus's result, negative on failure.
int writeArguments(sd_bus_message* message, const BusWrite& write);

}  // namespace vigilix::platform

#include "platform/dbus/bus_types.h"
