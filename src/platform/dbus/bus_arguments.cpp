#include "platform/dbus/bus_arguments.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <utility>

namespace vigilix::platform {

bool BusArgumentReader::took(int result) {
  if (result_ < 0) return false;
  // sd-bus answers 0 at the end of the arguments: a sender that left one out.
  if (result <= 0) result_ = result < 0 ? result : -ENXIO;
  return result_ >= 0;
}

std::string BusArgumentReader::string() {
  const char* text = nullptr;
  if (result_ < 0 || !took(sd_bus_message_read_basic(message_, 's', &text))) return {};
  return text;
}

bool BusArgumentReader::boolean() {
  int value = 0;
  if (result_ < 0 || !took(sd_bus_message_read_basic(message_, 'b', &value))) return false;
  return value != 0;
}

double BusArgumentReader::number() {
  double value = 0;
  if (result_ < 0 || !took(sd_bus_message_read_basic(message_, 'd', &value))) return 0;
  return value;
}

std::uint32_t BusArgumentReader::uint32() {
  std::uint32_t value = 0;
  if (result_ < 0 || !took(sd_bus_message_read_basic(message_, 'u', &value))) return 0;
  return value;
}

std::vector<std::string> BusArgumentReader::strings() {
  std::vector<std::string> texts;
  if (result_ < 0 || !took(sd_bus_message_enter_container(message_, 'a', "s"))) return texts;
  for (;;) {
    const char* text = nullptr;
    const int result = sd_bus_message_read_basic(message_, 's', &text);
    if (result == 0) break;
    if (!took(result)) return {};
    texts.emplace_back(text);
  }
  if (!took(sd_bus_message_exit_container(message_))) return {};
  return texts;
}

std::string BusArgumentReader::objectPath() {
  const char* path = nullptr;
  if (result_ < 0 || !took(sd_bus_message_read_basic(message_, 'o', &path))) return {};
  return path;
}

bool BusArgumentReader::enter(char type, const char* contents) {
  if (result_ < 0) return false;
  const int result = sd_bus_message_enter_container(message_, type, contents);
  if (result == 0) return false;
  return took(result);
}

void BusArgumentReader::leave() {
  if (result_ < 0) return;
  const int result = sd_bus_message_exit_container(message_);
  took(result < 0 ? result : 1);
}

void BusArgumentReader::skip(const char* signature) {
  if (result_ >= 0) took(sd_bus_message_skip(message_, signature));
}

BusArgumentWriter& BusArgumentWriter::took(int result) {
  if (result_ >= 0 && result < 0) result_ = result;
  return *this;
}

BusArgumentWriter& BusArgumentWriter::string(const std::string& text) {
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 's', text.c_str()));
}

BusArgumentWriter& BusArgumentWriter::boolean(bool value) {
  const int bus = value ? 1 : 0;
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 'b', &bus));
}

BusArgumentWriter& BusArgumentWriter::int32(std::int32_t value) {
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 'i', &value));
}

BusArgumentWriter& BusArgumentWriter::uint32(std::uint32_t value) {
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 'u', &value));
}

BusArgumentWriter& BusArgumentWriter::number(double value) {
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 'd', &value));
}

BusArgumentWriter& BusArgumentWriter::strings(const std::vector<std::string>& texts) {
  open('a', "s");
  for (const auto& text : texts) string(text);
  return close();
}

BusArgumentWriter& BusArgumentWriter::emptyDictionary() { return open('a', "{sv}").close(); }

BusArgumentWriter& BusArgumentWriter::open(char container, const char* contents) {
  return result_ < 0 ? *this : took(sd_bus_message_open_container(message_, container, contents));
}

BusArgumentWriter& BusArgumentWriter::close() {
  return result_ < 0 ? *this : took(sd_bus_message_close_container(message_));
}

std::function<int(sd_bus_message*)> appendArguments(BusWrite write) {
  return [write = std::move(write)](sd_bus_message* message) {
    BusArgumentWriter writer(message);
    if (write) write(writer);
    return writer.result();
  };
}

}  // namespace vigilix::platform
