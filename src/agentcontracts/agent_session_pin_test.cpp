#include "agentcontracts/agent_session_pin.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "testing/agent_files_fixture.h"

namespace vigilix {
namespace {

class AgentSessionPinTest : public AgentFilesTest {
 protected:
  const std::filesystem::path folder = root.home() / "state/agent-seq";
  // The counter's name for "claude:s1", with ".epoch".
  const std::filesystem::path file =
      folder / "e25e1af58555c8d7d9e818b5b0c95ba86f9beb6c277c5f82815b230959a56822.epoch";
};

TEST_F(AgentSessionPinTest, ThePinIsStoredAsExactText) {
  struct Row {
    const char* name;
    std::string text;
    std::optional<VGXAgentSessionPin> pin;
    bool written = true;  // the text is what writing the pin gives
  };
  const Row rows[] = {
      {"a session's first hold", R"({"epoch":"E-1","gen":4})", VGXAgentSessionPin{"E-1", 4}},
      {"after a stop", R"({"epoch":"E-1","gen":4,"stopped":true})",
       VGXAgentSessionPin{"E-1", 4, true}},
      {"not stopped, said", R"({"epoch":"E","gen":0,"stopped":false})", VGXAgentSessionPin{"E", 0},
       false},
      {"no generation", R"({"epoch":"E"})", std::nullopt},
      {"a generation that is not whole", R"({"epoch":"E","gen":4.5})", std::nullopt},
      {"a stop that is not yes or no", R"({"epoch":"E","gen":4,"stopped":1})", std::nullopt},
      {"not JSON", "E 4", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXAgentSessionPins::decode(row.text), row.pin);
    if (row.pin && row.written) {
      ASSERT_TRUE(VGXAgentSessionPins::write("claude:s1", folder, *row.pin).has_value());
      EXPECT_EQ(contents(file), row.text);
      EXPECT_EQ(VGXAgentSessionPins::read("claude:s1", folder).value(), row.pin);
    }
    write(file, row.text);
    EXPECT_EQ(VGXAgentSessionPins::read("claude:s1", folder).value(), row.pin);
  }
}

TEST_F(AgentSessionPinTest, ANewSessionHasNoneAndAnUnwritableFolderIsAnError) {
  EXPECT_EQ(VGXAgentSessionPins::read("claude:s1", folder).value(), std::nullopt);
  write(root.home() / "state/blocked", "a file, not a folder");
  EXPECT_FALSE(VGXAgentSessionPins::read("claude:s1", root.home() / "state/blocked").has_value());
  EXPECT_FALSE(
      VGXAgentSessionPins::write("claude:s1", root.home() / "state/blocked", {"E", 1}).has_value());
}

}  // namespace
}  // namespace vigilix
