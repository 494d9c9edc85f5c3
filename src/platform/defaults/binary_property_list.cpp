#include "platform/defaults/binary_property_list.h"

#include <bit>
#include <cstring>
#include <vector>

#include "platform/base/utf8.h"
#include "platform/defaults/property_list_codec.h"
#include "platform/defaults/property_list_text.h"

namespace vigilix::platform {

namespace {

constexpr std::string_view kMagic = "bplist00";
constexpr std::size_t kTrailerSize = 32;
// Objects may be shared; these bound what one file can expand into.
constexpr std::size_t kMaxDecodedObjects = 1 << 20;
constexpr std::size_t kMaxDecodedBytes = 64 << 20;

using Error = std::unexpected<std::string>;

std::uint64_t readBigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
  }
  return value;
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  std::expected<PropertyValue, std::string> read() {
    if (bytes_.size() < kMagic.size() + kTrailerSize + 1 || !bytes_.starts_with(kMagic)) {
      return Error("not a binary property list");
    }
    const std::size_t trailer = bytes_.size() - kTrailerSize;
    offsetSize_ = static_cast<std::uint8_t>(bytes_[trailer + 6]);
    refSize_ = static_cast<std::uint8_t>(bytes_[trailer + 7]);
    count_ = readBigEndian(bytes_, trailer + 8, 8);
    const std::uint64_t top = readBigEndian(bytes_, trailer + 16, 8);
    table_ = readBigEndian(bytes_, trailer + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8 || count_ == 0 ||
        top >= count_ || table_ < kMagic.size() || table_ > trailer ||
        count_ > (trailer - table_) / offsetSize_) {
      return Error("damaged binary property list trailer");
    }
    onPath_.assign(count_, false);
    return object(top, 0);
  }

 private:
  std::expected<std::size_t, std::string> offsetOf(std::uint64_t index) const {
    const std::uint64_t offset = readBigEndian(bytes_, table_ + index * offsetSize_, offsetSize_);
    if (offset < kMagic.size() || offset >= table_) return Error("object offset out of range");
    return static_cast<std::size_t>(offset);
  }

  // The bytes from `at` up to the offset table.
  std::size_t room(std::size_t at) const { return at <= table_ ? table_ - at : 0; }

  // The element count in the low nibble of the marker at `at`, or the
  // integer object after it; `at` moves past what was read.
  std::expected<std::uint64_t, std::string> countAt(std::size_t& at) const {
    const std::uint8_t info = static_cast<std::uint8_t>(bytes_[at]) & 0x0F;
    ++at;
    if (info != 0x0F) return info;
    if (room(at) < 1) return Error("truncated count");
    const std::uint8_t marker = static_cast<std::uint8_t>(bytes_[at]);
    const std::size_t width = std::size_t{1} << (marker & 0x0F);
    if ((marker & 0xF0) != 0x10 || width > 8 || room(at + 1) < width) {
      return Error("damaged count");
    }
    const std::uint64_t count = readBigEndian(bytes_, at + 1, width);
    at += 1 + width;
    return count;
  }

  std::expected<double, std::string> realAt(std::size_t at, std::size_t width) const {
    if (room(at) < width) return Error("truncated number");
    const std::uint64_t raw = readBigEndian(bytes_, at, width);
    if (width == 4)
      return static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(raw)));
    return std::bit_cast<double>(raw);
  }

  std::expected<PropertyValue, std::string> object(std::uint64_t index, int depth) {
    if (depth > kPropertyListMaxDepth) return Error("property list nested too deeply");
    if (onPath_[index]) return Error("property list refers to itself");
    if (++objects_ > kMaxDecodedObjects) return Error("property list too large");
    auto offset = offsetOf(index);
    if (!offset) return Error(offset.error());
    onPath_[index] = true;
    auto value = objectAt(*offset, depth);
    onPath_[index] = false;
    return value;
  }

  std::expected<std::string_view, std::string> span(std::size_t at, std::uint64_t count,
                                                    std::size_t unit) {
    if (count > room(at) / unit) return Error("object runs past the end");
    decodedBytes_ += count * unit;
    if (decodedBytes_ > kMaxDecodedBytes) return Error("property list too large");
    return bytes_.substr(at, count * unit);
  }

  std::expected<PropertyValue, std::string> objectAt(std::size_t at, int depth) {
    const std::uint8_t marker = static_cast<std::uint8_t>(bytes_[at]);
    const std::uint8_t info = marker & 0x0F;
    switch (marker >> 4) {
      case 0x0:
        if (marker == 0x08) return PropertyValue(false);
        if (marker == 0x09) return PropertyValue(true);
        return Error("unsupported binary property-list object");
      case 0x1: {
        if (info > 4) return Error("damaged integer");
        const std::size_t width = std::size_t{1} << info;
        if (room(at + 1) < width) return Error("truncated integer");
        if (width == 16) {
          // Signed 128 bits: it fits 64 only when the high half extends the sign.
          const std::uint64_t high = readBigEndian(bytes_, at + 1, 8);
          const std::uint64_t low = readBigEndian(bytes_, at + 9, 8);
          const std::uint64_t sign = (low >> 63) != 0 ? ~std::uint64_t{0} : 0;
          if (high != sign) return Error("integer beyond 64 bits");
          return PropertyValue(static_cast<std::int64_t>(low));
        }
        // 1, 2 and 4 bytes are unsigned; 8 bytes are signed.
        return PropertyValue(static_cast<std::int64_t>(readBigEndian(bytes_, at + 1, width)));
      }
      case 0x2:
        if (info != 2 && info != 3) return Error("damaged real");
        if (auto real = realAt(at + 1, std::size_t{1} << info)) return PropertyValue(*real);
        return Error("truncated real");
      case 0x3:
        if (marker != 0x33) return Error("damaged date");
        if (auto seconds = realAt(at + 1, 8)) return PropertyValue(Date(*seconds));
        return Error("truncated date");
      case 0x4:
      case 0x5:
      case 0x6: {
        auto count = countAt(at);
        if (!count) return Error(count.error());
        auto body = span(at, *count, (marker >> 4) == 0x6 ? 2 : 1);
        if (!body) return Error(body.error());
        if ((marker >> 4) == 0x4) return PropertyValue(Bytes(body->begin(), body->end()));
        if ((marker >> 4) == 0x5) return PropertyValue(std::string(*body));
        std::u16string units(*count, u'\0');
        for (std::size_t i = 0; i < units.size(); ++i) {
          units[i] = static_cast<char16_t>(readBigEndian(*body, 2 * i, 2));
        }
        return PropertyValue(plist_text::utf8Of(units));
      }
      case 0xA:
      case 0xD:
        return container(at, depth, (marker >> 4) == 0xD);
      default:
        return Error("unsupported binary property-list object");
    }
  }

  std::expected<PropertyValue, std::string> container(std::size_t at, int depth, bool isDict) {
    auto count = countAt(at);
    if (!count) return Error(count.error());
    if (*count > room(at) / refSize_ / (isDict ? 2 : 1)) return Error("object runs past the end");
    const auto ref = [&](std::uint64_t i) -> std::expected<std::uint64_t, std::string> {
      const std::uint64_t index = readBigEndian(bytes_, at + i * refSize_, refSize_);
      if (index >= count_) return Error("object reference out of range");
      return index;
    };
    if (!isDict) {
      PropertyArray items;
      for (std::uint64_t i = 0; i < *count; ++i) {
        auto index = ref(i);
        if (!index) return Error(index.error());
        auto item = object(*index, depth + 1);
        if (!item) return item;
        items.push_back(std::move(*item));
      }
      return PropertyValue(std::move(items));
    }
    PropertyDictionary entries;
    for (std::uint64_t i = 0; i < *count; ++i) {
      auto keyIndex = ref(i);
      auto valueIndex = ref(*count + i);
      if (!keyIndex) return Error(keyIndex.error());
      if (!valueIndex) return Error(valueIndex.error());
      auto key = object(*keyIndex, depth + 1);
      if (!key) return key;
      if (!key->isString()) return Error("dictionary key is not a text");
      auto value = object(*valueIndex, depth + 1);
      if (!value) return value;
      entries[std::get<std::string>(std::move(key->value))] = std::move(*value);
    }
    return PropertyValue(std::move(entries));
  }

  std::string_view bytes_;
  std::uint8_t offsetSize_ = 0;
  std::uint8_t refSize_ = 0;
  std::uint64_t count_ = 0;
  std::size_t table_ = 0;
  std::vector<bool> onPath_;
  std::size_t objects_ = 0;
  std::size_t decodedBytes_ = 0;
};

std::size_t widthFor(std::uint64_t value) {
  std::size_t width = 1;
  while (width < 8 && (value >> (8 * width)) != 0) ++width;
  return width;
}

void appendBigEndian(std::string& out, std::uint64_t value, std::size_t width) {
  for (std::size_t i = width; i-- > 0;) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void appendInteger(std::string& out, std::int64_t value) {
  const auto raw = static_cast<std::uint64_t>(value);
  // Only the 8-byte form is signed; the others are 1, 2 or 4 bytes.
  std::size_t width = value < 0 ? 8 : widthFor(raw);
  if (width == 3) width = 4;
  if (width > 4) width = 8;
  out += static_cast<char>(0x10 | std::countr_zero(width));
  appendBigEndian(out, raw, width);
}

void appendMarker(std::string& out, std::uint8_t type, std::uint64_t count) {
  if (count < 15) {
    out += static_cast<char>((type << 4) | count);
    return;
  }
  out += static_cast<char>((type << 4) | 0x0F);
  appendInteger(out, static_cast<std::int64_t>(count));
}

void appendDouble(std::string& out, std::uint8_t marker, double value) {
  out += static_cast<char>(marker);
  appendBigEndian(out, std::bit_cast<std::uint64_t>(value), 8);
}

void appendText(std::string& out, const std::string& text) {
  if (plist_text::isAscii(text) || !isUtf8(text)) {
    appendMarker(out, 0x5, text.size());
    out += text;
    return;
  }
  const std::u16string units = plist_text::utf16Of(text);
  appendMarker(out, 0x6, units.size());
  for (char16_t unit : units) appendBigEndian(out, unit, 2);
}

std::size_t objectCount(const PropertyValue& value) {
  if (const auto* array = std::get_if<PropertyArray>(&value.value)) {
    std::size_t count = 1;
    for (const auto& item : *array) count += objectCount(item);
    return count;
  }
  if (const auto* dict = std::get_if<PropertyDictionary>(&value.value)) {
    std::size_t count = 1;
    for (const auto& [key, item] : *dict) count += 1 + objectCount(item);
    return count;
  }
  return 1;
}

class Writer {
 public:
  explicit Writer(std::size_t count) : refSize_(widthFor(count)) {}

  // Appends the value and what it holds; answers its index.
  std::expected<std::uint64_t, std::string> add(const PropertyValue& value, int depth) {
    if (depth > kPropertyListMaxDepth) return Error("property list nested too deeply");
    const std::uint64_t index = objects_.size();
    objects_.emplace_back();
    std::string body;
    if (const auto* array = std::get_if<PropertyArray>(&value.value)) {
      std::vector<std::uint64_t> refs;
      for (const auto& item : *array) {
        auto ref = add(item, depth + 1);
        if (!ref) return ref;
        refs.push_back(*ref);
      }
      appendMarker(body, 0xA, refs.size());
      for (auto ref : refs) appendBigEndian(body, ref, refSize_);
    } else if (const auto* dict = std::get_if<PropertyDictionary>(&value.value)) {
      std::vector<std::uint64_t> keys;
      std::vector<std::uint64_t> values;
      for (const auto& [key, item] : *dict) {
        auto keyRef = add(PropertyValue(key), depth + 1);
        if (!keyRef) return keyRef;
        keys.push_back(*keyRef);
        auto ref = add(item, depth + 1);
        if (!ref) return ref;
        values.push_back(*ref);
      }
      appendMarker(body, 0xD, keys.size());
      for (auto ref : keys) appendBigEndian(body, ref, refSize_);
      for (auto ref : values) appendBigEndian(body, ref, refSize_);
    } else {
      appendScalar(body, value);
    }
    objects_[index] = std::move(body);
    return index;
  }

  std::string finish() const {
    std::string out(kMagic);
    std::vector<std::uint64_t> offsets;
    offsets.reserve(objects_.size());
    for (const auto& body : objects_) {
      offsets.push_back(out.size());
      out += body;
    }
    const std::uint64_t table = out.size();
    const std::size_t offsetSize = widthFor(offsets.empty() ? 0 : offsets.back());
    for (auto offset : offsets) appendBigEndian(out, offset, offsetSize);
    out.append(6, '\0');
    out += static_cast<char>(offsetSize);
    out += static_cast<char>(refSize_);
    appendBigEndian(out, objects_.size(), 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, table, 8);
    return out;
  }

 private:
  static void appendScalar(std::string& body, const PropertyValue& value) {
    struct Scalar {
      std::string& out;
      void operator()(bool v) const { out += static_cast<char>(v ? 0x09 : 0x08); }
      void operator()(std::int64_t v) const { appendInteger(out, v); }
      void operator()(double v) const { appendDouble(out, 0x23, v); }
      void operator()(const std::string& v) const { appendText(out, v); }
      void operator()(const Bytes& v) const {
        appendMarker(out, 0x4, v.size());
        out.append(reinterpret_cast<const char*>(v.data()), v.size());
      }
      void operator()(const Date& v) const {
        appendDouble(out, 0x33, v.timeIntervalSinceReferenceDate());
      }
      void operator()(const PropertyArray&) const {}
      void operator()(const PropertyDictionary&) const {}
    };
    std::visit(Scalar{body}, value.value);
  }

  std::size_t refSize_;
  std::vector<std::string> objects_;
};

}  // namespace

std::expected<PropertyValue, std::string> decodeBinaryPropertyList(std::string_view bytes) {
  return Reader(bytes).read();
}

std::expected<std::string, std::string> encodeBinaryPropertyList(const PropertyValue& value) {
  Writer writer(objectCount(value));
  auto top = writer.add(value, 0);
  if (!top) return Error(top.error());
  return writer.finish();
}

}  // namespace vigilix::platform
