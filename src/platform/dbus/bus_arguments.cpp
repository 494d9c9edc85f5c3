#include "platform/dbus/bus_arguments.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <utility>

namespace vigilix::platform {

namespace {

std::string textOr(const char* text) { return text != nullptr ? text : ""; }

template <typename Element>
std::vector<Element> fixedArray(sd_bus_message* message, char type, int& result) {
  const void* data = nullptr;
  std::size_t size = 0;
  result = sd_bus_message_read_array(message, type, &data, &size);
  if (result <= 0) return {};
  const auto* first = static_cast<const Element*>(data);
  return std::vector<Element>(first, first + size / sizeof(Element));
}

}  // namespace

void BusMessageRelease::operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }

std::string BusArgumentReader::sender() const {
  return textOr(sd_bus_message_get_sender(message_));
}
std::string BusArgumentReader::path() const { return textOr(sd_bus_message_get_path(message_)); }
std::string BusArgumentReader::interface() const {
  return textOr(sd_bus_message_get_interface(message_));
}
std::string BusArgumentReader::member() const {
  return textOr(sd_bus_message_get_member(message_));
}
std::string BusArgumentReader::signature() const {
  return textOr(sd_bus_message_get_signature(message_, 1));
}

bool BusArgumentReader::took(int result) {
  if (result_ < 0) return false;
  // sd-bus answers 0 at the end of the arguments: a sender that left one out.
  if (result <= 0) result_ = result < 0 ? result : -ENXIO;
  return result_ >= 0;
}

void BusArgumentReader::fail() {
  if (result_ >= 0) result_ = -ENXIO;
}

namespace {

template <typename Value>
Value readBasic(sd_bus_message* message, char type, int& result) {
  Value value{};
  result = sd_bus_message_read_basic(message, type, &value);
  return result > 0 ? value : Value{};
}

}  // namespace

std::string BusArgumentReader::string() {
  const char* text = nullptr;
  if (result_ < 0 || !took(sd_bus_message_read_basic(message_, 's', &text))) return {};
  return text;
}

std::string BusArgumentReader::objectPath() {
  const char* path = nullptr;
  if (result_ < 0 || !took(sd_bus_message_read_basic(message_, 'o', &path))) return {};
  return path;
}

bool BusArgumentReader::boolean() {
  if (result_ < 0) return false;
  int result = 0;
  const int value = readBasic<int>(message_, 'b', result);
  return took(result) && value != 0;
}

#define VIGILIX_READ_BASIC(Type, method, code)                  \
  Type BusArgumentReader::method() {                            \
    if (result_ < 0) return Type{};                             \
    int result = 0;                                             \
    const Type value = readBasic<Type>(message_, code, result); \
    return took(result) ? value : Type{};                       \
  }

VIGILIX_READ_BASIC(std::uint8_t, byte, 'y')
VIGILIX_READ_BASIC(std::int32_t, int32, 'i')
VIGILIX_READ_BASIC(std::uint32_t, uint32, 'u')
VIGILIX_READ_BASIC(std::uint64_t, uint64, 't')
VIGILIX_READ_BASIC(double, number, 'd')

#undef VIGILIX_READ_BASIC

int BusArgumentReader::unixFd() {
  if (result_ < 0) return -1;
  int result = 0;
  const int fd = readBasic<int>(message_, 'h', result);
  return took(result) ? fd : -1;
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

std::vector<std::uint8_t> BusArgumentReader::bytes() {
  if (result_ < 0) return {};
  int result = 0;
  auto values = fixedArray<std::uint8_t>(message_, 'y', result);
  return took(result) ? values : std::vector<std::uint8_t>{};
}

std::vector<std::int32_t> BusArgumentReader::int32s() {
  if (result_ < 0) return {};
  int result = 0;
  auto values = fixedArray<std::int32_t>(message_, 'i', result);
  return took(result) ? values : std::vector<std::int32_t>{};
}

bool BusArgumentReader::enter(char type, const char* contents) {
  return result_ >= 0 && took(sd_bus_message_enter_container(message_, type, contents));
}

void BusArgumentReader::exit() {
  if (result_ >= 0) took(sd_bus_message_exit_container(message_) < 0 ? -EBADMSG : 1);
}

bool BusArgumentReader::atEnd() {
  if (result_ < 0) return true;
  const int result = sd_bus_message_at_end(message_, 0);
  if (result < 0) took(result);
  return result != 0;
}

std::string BusArgumentReader::variantContents() {
  if (result_ < 0) return {};
  char type = 0;
  const char* contents = nullptr;
  if (sd_bus_message_peek_type(message_, &type, &contents) <= 0 || type != 'v') return {};
  return textOr(contents);
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

BusArgumentWriter& BusArgumentWriter::objectPath(const std::string& path) {
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 'o', path.c_str()));
}

BusArgumentWriter& BusArgumentWriter::boolean(bool value) {
  const int bus = value ? 1 : 0;
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 'b', &bus));
}

BusArgumentWriter& BusArgumentWriter::byte(std::uint8_t value) {
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 'y', &value));
}

BusArgumentWriter& BusArgumentWriter::int32(std::int32_t value) {
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 'i', &value));
}

BusArgumentWriter& BusArgumentWriter::uint32(std::uint32_t value) {
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 'u', &value));
}

BusArgumentWriter& BusArgumentWriter::uint64(std::uint64_t value) {
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 't', &value));
}

BusArgumentWriter& BusArgumentWriter::number(double value) {
  return result_ < 0 ? *this : took(sd_bus_message_append_basic(message_, 'd', &value));
}

BusArgumentWriter& BusArgumentWriter::strings(const std::vector<std::string>& texts) {
  open('a', "s");
  for (const auto& text : texts) string(text);
  return close();
}

BusArgumentWriter& BusArgumentWriter::bytes(std::span<const std::uint8_t> values) {
  return result_ < 0
             ? *this
             : took(sd_bus_message_append_array(message_, 'y', values.data(), values.size_bytes()));
}

BusArgumentWriter& BusArgumentWriter::int32s(std::span<const std::int32_t> values) {
  return result_ < 0
             ? *this
             : took(sd_bus_message_append_array(message_, 'i', values.data(), values.size_bytes()));
}

BusArgumentWriter& BusArgumentWriter::emptyDictionary() { return open('a', "{sv}").close(); }

BusArgumentWriter& BusArgumentWriter::open(char container, const char* contents) {
  return result_ < 0 ? *this : took(sd_bus_message_open_container(message_, container, contents));
}

BusArgumentWriter& BusArgumentWriter::close() {
  return result_ < 0 ? *this : took(sd_bus_message_close_container(message_));
}

BusArgumentWriter& BusArgumentWriter::allowInteractiveAuthorization() {
  return result_ < 0 ? *this
                     : took(sd_bus_message_set_allow_interactive_authorization(message_, 1));
}

int writeArguments(sd_bus_message* message, const BusWrite& write) {
  if (!write) return 0;
  BusArgumentWriter writer(message);
  write(writer);
  return writer.result();
}

}  // namespace vigilix::platform
