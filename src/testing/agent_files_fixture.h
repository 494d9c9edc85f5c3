#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/fs/file_system.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix {

// Tests of the agent's files: a temporary home, and the clock at
// 2026-12-09T12:03:16.250Z, so that damaged files go aside under one known name.
class AgentFilesTest : public ::testing::Test {
 protected:
  static constexpr const char* kDamaged = ".damaged-20261209T120316Z";

  static void write(const std::filesystem::path& path, const std::string& text) {
    ASSERT_TRUE(platform::FileSystem::writeFileAtomically(path, text).has_value());
  }
  // None when the file cannot be read.
  static std::optional<std::string> contents(const std::filesystem::path& path) {
    auto text = platform::FileSystem::readFile(path);
    return text ? std::optional(*text) : std::nullopt;
  }
  static std::optional<std::string> damagedCopy(const std::filesystem::path& path) {
    return contents(path.string() + kDamaged);
  }

  testing::TestPlatform platform{platform::Date::fromTimeIntervalSince1970(1'796'817'796.25)};
  testing::TemporaryRoot root;
};

}  // namespace vigilix
