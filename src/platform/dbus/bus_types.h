#pragma once

// The D-Bus type of each C++ value the bus code sends and reads, written once:
//   bool b, std::uint8_t y, std::int32_t i, std::uint32_t u, std::uint64_t t, double d,
//   std::string s, BusObjectPath o, std::vector<T> aT, std::map<K, V> a{KV},
//   std::tuple<T...> (T...), std::variant<T...> v (the alternative whose type the variant holds).
// Included by bus_arguments.h, which declares the reader and writer these use.

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "platform/dbus/bus_arguments.h"

namespace vigilix::platform {

template <typename T>
struct BusType;

#define VIGILIX_BUS_BASIC_TYPE(Type, code, method)                                      \
  template <>                                                                           \
  struct BusType<Type> {                                                                \
    static std::string signature() { return code; }                                     \
    static Type read(BusArgumentReader& in) { return in.method(); }                     \
    static void write(BusArgumentWriter& out, const Type& value) { out.method(value); } \
  };

VIGILIX_BUS_BASIC_TYPE(bool, "b", boolean)
VIGILIX_BUS_BASIC_TYPE(std::uint8_t, "y", byte)
VIGILIX_BUS_BASIC_TYPE(std::int32_t, "i", int32)
VIGILIX_BUS_BASIC_TYPE(std::uint32_t, "u", uint32)
VIGILIX_BUS_BASIC_TYPE(std::uint64_t, "t", uint64)
VIGILIX_BUS_BASIC_TYPE(double, "d", number)
VIGILIX_BUS_BASIC_TYPE(std::string, "s", string)
VIGILIX_BUS_BASIC_TYPE(std::vector<std::string>, "as", strings)
VIGILIX_BUS_BASIC_TYPE(std::vector<std::uint8_t>, "ay", bytes)
VIGILIX_BUS_BASIC_TYPE(std::vector<std::int32_t>, "ai", int32s)

#undef VIGILIX_BUS_BASIC_TYPE

template <>
struct BusType<BusObjectPath> {
  static std::string signature() { return "o"; }
  static BusObjectPath read(BusArgumentReader& in) { return {in.objectPath()}; }
  static void write(BusArgumentWriter& out, const BusObjectPath& path) {
    out.objectPath(path.value);
  }
};

template <typename T>
struct BusType<std::vector<T>> {
  static std::string signature() { return "a" + BusType<T>::signature(); }
  static std::vector<T> read(BusArgumentReader& in) {
    std::vector<T> values;
    const std::string element = BusType<T>::signature();
    if (!in.enter('a', element.c_str())) return values;
    while (!in.atEnd()) values.push_back(BusType<T>::read(in));
    in.exit();
    if (!in) values.clear();
    return values;
  }
  static void write(BusArgumentWriter& out, const std::vector<T>& values) {
    const std::string element = BusType<T>::signature();
    out.open('a', element.c_str());
    for (const T& value : values) BusType<T>::write(out, value);
    out.close();
  }
};

template <typename K, typename V>
struct BusType<std::map<K, V>> {
  static std::string entry() { return BusType<K>::signature() + BusType<V>::signature(); }
  static std::string signature() { return "a{" + entry() + "}"; }
  static std::map<K, V> read(BusArgumentReader& in) {
    std::map<K, V> values;
    const std::string braced = "{" + entry() + "}";
    const std::string inner = entry();
    if (!in.enter('a', braced.c_str())) return values;
    while (!in.atEnd()) {
      in.enter('e', inner.c_str());
      K key = BusType<K>::read(in);
      V value = BusType<V>::read(in);
      in.exit();
      if (in) values.insert_or_assign(std::move(key), std::move(value));
    }
    in.exit();
    if (!in) values.clear();
    return values;
  }
  static void write(BusArgumentWriter& out, const std::map<K, V>& values) {
    const std::string braced = "{" + entry() + "}";
    const std::string inner = entry();
    out.open('a', braced.c_str());
    for (const auto& [key, value] : values) {
      out.open('e', inner.c_str());
      BusType<K>::write(out, key);
      BusType<V>::write(out, value);
      out.close();
    }
    out.close();
  }
};

template <typename... T>
struct BusType<std::tuple<T...>> {
  static std::string fields() { return (BusType<T>::signature() + ...); }
  static std::string signature() { return "(" + fields() + ")"; }
  static std::tuple<T...> read(BusArgumentReader& in) {
    const std::string inner = fields();
    in.enter('r', inner.c_str());
    // Braces keep the reads in order.
    std::tuple<T...> values{BusType<T>::read(in)...};
    in.exit();
    return values;
  }
  static void write(BusArgumentWriter& out, const std::tuple<T...>& values) {
    const std::string inner = fields();
    out.open('r', inner.c_str());
    std::apply([&out](const T&... value) { (BusType<T>::write(out, value), ...); }, values);
    out.close();
  }
};

template <typename... T>
struct BusType<std::variant<T...>> {
  static std::string signature() { return "v"; }
  static std::variant<T...> read(BusArgumentReader& in) {
    const std::string contents = in.variantContents();
    std::optional<std::variant<T...>> value;
    (readAlternative<T>(in, contents, value), ...);
    if (!value) {
      in.fail();
      return {};
    }
    return std::move(*value);
  }
  static void write(BusArgumentWriter& out, const std::variant<T...>& value) {
    std::visit([&out](const auto& held) { out.variant(held); }, value);
  }

 private:
  template <typename A>
  static void readAlternative(BusArgumentReader& in, const std::string& contents,
                              std::optional<std::variant<T...>>& value) {
    if (value || contents.empty() || contents != BusType<A>::signature()) return;
    in.enter('v', contents.c_str());
    A held = BusType<A>::read(in);
    in.exit();
    value.emplace(std::in_place_type<A>, std::move(held));
  }
};

template <typename T>
T BusArgumentReader::read() {
  return BusType<T>::read(*this);
}

template <typename T>
T BusArgumentReader::variant() {
  return std::get<0>(read<std::variant<T>>());
}

template <typename T>
BusArgumentWriter& BusArgumentWriter::write(const T& value) {
  BusType<T>::write(*this, value);
  return *this;
}

template <typename T>
BusArgumentWriter& BusArgumentWriter::variant(const T& value) {
  const std::string contents = BusType<T>::signature();
  open('v', contents.c_str());
  BusType<T>::write(*this, value);
  return close();
}

}  // namespace vigilix::platform
