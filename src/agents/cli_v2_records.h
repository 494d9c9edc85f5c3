#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vigilix {

// The records of the command line's JSON form (protocol version 2), shared
// with the command-line tool. Plain values; any thread.

enum class VGXCLIv2Verb { hold, release, holds, doctor, epoch };
inline constexpr std::size_t kVGXCLIv2VerbCount = 5;

enum class VGXCLIv2Status { ok, stale, policyDenied, unknownVerb, appTooOld, error };

std::string_view rawValue(VGXCLIv2Verb verb);
std::string_view rawValue(VGXCLIv2Status status);
std::optional<VGXCLIv2Verb> verbFromRawValue(std::string_view raw);
std::optional<VGXCLIv2Status> statusFromRawValue(std::string_view raw);

// Text limits count user-perceived characters.
struct VGXCLIv2Request {
  std::int64_t v = 2;
  std::string nonce{};
  VGXCLIv2Verb verb = VGXCLIv2Verb::epoch;
  std::optional<std::string> epoch{};
  std::optional<std::int64_t> gen{};
  std::optional<std::string> id{};    // at most 200
  std::optional<std::int64_t> ttl{};  // seconds, 1 to 86400
  std::optional<std::int32_t> pid{};
  std::optional<std::int64_t> pidStart{};    // the start time of `pid`, as the tool reads it
  std::optional<std::string> label{};        // at most 200
  std::optional<std::string> tool{};         // at most 32
  std::optional<std::string> corr{};         // at most 128
  std::optional<std::int64_t> seq{};         // at least 0
  std::optional<std::string> toolVersion{};  // at most 64

  bool isValid() const;
  bool operator==(const VGXCLIv2Request&) const = default;
};

struct VGXCLIv2HoldInfo {
  std::string id{};                    // at most 200
  std::optional<std::string> tool{};   // at most 32
  std::optional<std::string> label{};  // at most 200
  std::int64_t expiresIn = 0;          // whole seconds until the hold expires

  bool isValid() const;
  bool operator==(const VGXCLIv2HoldInfo&) const = default;
};

struct VGXCLIv2Reply {
  std::int64_t v = 2;
  std::string nonce{};
  VGXCLIv2Status status = VGXCLIv2Status::ok;
  std::string epoch{};
  std::int64_t gen = 0;
  std::optional<std::string> message{};
  std::optional<std::vector<VGXCLIv2HoldInfo>> holds{};
  std::optional<std::string> doctor{};

  bool isValid() const;
  bool operator==(const VGXCLIv2Reply&) const = default;
};

}  // namespace vigilix
