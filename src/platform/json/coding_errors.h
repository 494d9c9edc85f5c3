#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vigilix::platform::json {

// The keys from the top of a document to a value; array elements appear as
// "Index 0", "Index 1", ...
using CodingPath = std::vector<std::string>;

std::string codingPathText(const CodingPath& path);  // "manualKind.duration.total"
std::string indexKey(std::size_t index);             // "Index 3"

// Why a value could not be read (Swift's DecodingError).
struct DecodingError {
  enum class Kind { typeMismatch, valueNotFound, keyNotFound, dataCorrupted };

  Kind kind = Kind::dataCorrupted;
  CodingPath codingPath;
  std::string debugDescription;

  // The user-facing text of the error, as the platform words it.
  std::string localizedDescription() const;
  // Kind, path and debug description in one line, for logs.
  std::string description() const;

  bool operator==(const DecodingError&) const = default;
};

// Why a value could not be written (Swift's EncodingError.invalidValue).
struct EncodingError {
  CodingPath codingPath;
  std::string debugDescription;

  std::string localizedDescription() const;
  std::string description() const;

  bool operator==(const EncodingError&) const = default;
};

// Test output: the one-line description.
void PrintTo(const DecodingError& error, std::ostream* os);
void PrintTo(const EncodingError& error, std::ostream* os);

}  // namespace vigilix::platform::json
