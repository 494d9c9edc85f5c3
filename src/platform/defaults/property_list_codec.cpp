#include "platform/defaults/property_list_codec.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace vigilix::platform {

namespace {

// Deeper nesting than this is refused rather than recursed into.
constexpr int kMaxDepth = 256;

struct NodeDeleter {
  void operator()(plist_t node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

struct MallocDeleter {
  void operator()(void* memory) const { std::free(memory); }
};
template <typename T>
using Malloced = std::unique_ptr<T, MallocDeleter>;

// libplist accepts a NUL inside a key or text (binary lists carry lengths; XML passes raw bytes)
// and then aborts the process when that text is read back. Its XML writer keeps the stored
// lengths, so such a NUL shows in the written document.
bool holdsNulInText(plist_t root) {
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(root, &xml, &length);
  if (xml == nullptr) return false;
  const bool found = std::memchr(xml, '\0', length) != nullptr;
  plist_to_xml_free(xml);
  return found;
}

std::expected<PropertyValue, std::string> fromNode(plist_t node, int depth) {
  if (depth > kMaxDepth) return std::unexpected("property list nested too deeply");
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return PropertyValue(value != 0);
    }
    case PLIST_UINT: {
      // The node is unsigned; negative integers arrive in two's complement.
      std::uint64_t value = 0;
      plist_get_uint_val(node, &value);
      return PropertyValue(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return PropertyValue(value);
    }
    case PLIST_STRING: {
      char* raw = nullptr;
      plist_get_string_val(node, &raw);
      Malloced<char> text(raw);
      return PropertyValue(std::string(raw != nullptr ? raw : ""));
    }
    case PLIST_DATA: {
      char* raw = nullptr;
      std::uint64_t length = 0;
      plist_get_data_val(node, &raw, &length);
      Malloced<char> data(raw);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(raw);
      return PropertyValue(raw != nullptr ? Bytes(bytes, bytes + length) : Bytes());
    }
    case PLIST_DATE: {
      std::int32_t seconds = 0;
      std::int32_t microseconds = 0;
      plist_get_date_val(node, &seconds, &microseconds);
      // A date beyond what the library holds comes out with both parts at INT32_MIN.
      if (microseconds <= -1000000 || microseconds >= 1000000) {
        return std::unexpected("date out of range");
      }
      // The library hands out whole seconds truncated towards zero and the
      // fraction without its sign.
      const double fraction = std::abs(microseconds) / 1e6;
      return PropertyValue(
          Date(seconds < 0 ? seconds - fraction : static_cast<double>(seconds) + fraction));
    }
    case PLIST_ARRAY: {
      PropertyArray items;
      const std::uint32_t count = plist_array_get_size(node);
      items.reserve(count);
      for (std::uint32_t i = 0; i < count; ++i) {
        auto item = fromNode(plist_array_get_item(node, i), depth + 1);
        if (!item) return item;
        items.push_back(std::move(*item));
      }
      return PropertyValue(std::move(items));
    }
    case PLIST_DICT: {
      PropertyDictionary entries;
      plist_dict_iter iter = nullptr;
      plist_dict_new_iter(node, &iter);
      Malloced<void> iterOwner(iter);
      for (;;) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iter, &rawKey, &value);
        Malloced<char> key(rawKey);
        if (value == nullptr) break;
        auto item = fromNode(value, depth + 1);
        if (!item) return item;
        entries[rawKey != nullptr ? rawKey : ""] = std::move(*item);
      }
      return PropertyValue(std::move(entries));
    }
    default:
      return std::unexpected("unsupported property-list element");
  }
}

std::expected<Node, std::string> toNode(const PropertyValue& value, int depth);

struct NodeMaker {
  int depth;

  std::expected<Node, std::string> operator()(bool v) const { return Node(plist_new_bool(v)); }
  std::expected<Node, std::string> operator()(std::int64_t v) const {
    return Node(plist_new_uint(static_cast<std::uint64_t>(v)));
  }
  std::expected<Node, std::string> operator()(double v) const { return Node(plist_new_real(v)); }
  std::expected<Node, std::string> operator()(const std::string& v) const {
    if (v.find('\0') != std::string::npos) {
      return std::unexpected("text with a NUL character cannot be stored");
    }
    return Node(plist_new_string(v.c_str()));
  }
  std::expected<Node, std::string> operator()(const Bytes& v) const {
    return Node(plist_new_data(reinterpret_cast<const char*>(v.data()), v.size()));
  }
  std::expected<Node, std::string> operator()(const Date& v) const {
    const double since = v.timeIntervalSinceReferenceDate();
    double whole = std::floor(since);
    double micro = std::round((since - whole) * 1e6);
    if (micro >= 1e6) {
      whole += 1;
      micro = 0;
    }
    if (!std::isfinite(since) || whole < std::numeric_limits<std::int32_t>::min() ||
        whole > std::numeric_limits<std::int32_t>::max()) {
      return std::unexpected("date out of the storable range");
    }
    // Read back, the sign of a fraction between -1 and 0 is lost.
    if (since < 0 && micro != 0) {
      return std::unexpected("date before 2001 with a fraction of a second");
    }
    return Node(plist_new_date(static_cast<std::int32_t>(whole), static_cast<std::int32_t>(micro)));
  }
  std::expected<Node, std::string> operator()(const PropertyArray& v) const {
    Node array(plist_new_array());
    for (const auto& item : v) {
      auto child = toNode(item, depth + 1);
      if (!child) return child;
      plist_array_append_item(array.get(), child->release());
    }
    return array;
  }
  std::expected<Node, std::string> operator()(const PropertyDictionary& v) const {
    Node dict(plist_new_dict());
    for (const auto& [key, item] : v) {
      if (key.find('\0') != std::string::npos) {
        return std::unexpected("key with a NUL character cannot be stored");
      }
      auto child = toNode(item, depth + 1);
      if (!child) return child;
      plist_dict_set_item(dict.get(), key.c_str(), child->release());
    }
    return dict;
  }
};

std::expected<Node, std::string> toNode(const PropertyValue& value, int depth) {
  if (depth > kMaxDepth) return std::unexpected("property list nested too deeply");
  return std::visit(NodeMaker{depth}, value.value);
}

}  // namespace

std::expected<PropertyValue, std::string> decodePropertyList(std::string_view bytes) {
  if (bytes.empty()) return std::unexpected("empty property list");
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
    return std::unexpected("property list too large");
  }
  plist_t raw = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &raw);
  if (raw == nullptr) return std::unexpected("not a property list");
  Node root(raw);
  if (holdsNulInText(root.get())) return std::unexpected("NUL character in a key or text");
  return fromNode(root.get(), 0);
}

std::expected<std::string, std::string> encodePropertyList(const PropertyValue& value,
                                                           PropertyListFormat format) {
  auto root = toNode(value, 0);
  if (!root) return std::unexpected(root.error());
  char* raw = nullptr;
  std::uint32_t length = 0;
  if (format == PropertyListFormat::Binary) {
    plist_to_bin(root->get(), &raw, &length);
  } else {
    plist_to_xml(root->get(), &raw, &length);
  }
  if (raw == nullptr) return std::unexpected("cannot encode property list");
  std::string bytes(raw, length);
  if (format == PropertyListFormat::Binary) {
    plist_to_bin_free(raw);
  } else {
    plist_to_xml_free(raw);
  }
  return bytes;
}

}  // namespace vigilix::platform
