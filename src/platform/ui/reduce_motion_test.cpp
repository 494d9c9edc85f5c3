#include "platform/ui/reduce_motion.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"

namespace vigilix::platform {
namespace {

// A folder of compiled schemas holding `schema` (a <schema> element).
std::filesystem::path compiledSchemas(const std::filesystem::path& root, const char* name,
                                      const std::string& schema) {
  auto folder = root / name;
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "test.gschema.xml") << "<schemalist>" << schema << "</schemalist>";
  std::string command = "glib-compile-schemas '" + folder.string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return folder;
}

std::string interfaceSchema(const std::string& keys) {
  return R"(<schema id="org.gnome.desktop.interface" path="/org/gnome/desktop/interface/">)" +
         keys + "</schema>";
}

const std::string kAnimationsKey =
    R"(<key name="enable-animations" type="b"><default>true</default></key>)";

// GNOME's setting, read through GSettings from private schemas and GLib's
// in-memory settings: never the user's own.
TEST(ReduceMotionTest, FollowsTheDesktopsAnimationSettingWhereItExists) {
  testing::ScopedEnvironment environment;
  environment.set("GSETTINGS_BACKEND", "memory");
  auto root = testing::makeTemporaryFolder("schemas");
  auto none = compiledSchemas(root, "none",
                              R"(<schema id="org.example.other" path="/org/example/other/">)" +
                                  kAnimationsKey + "</schema>");
  auto keyless = compiledSchemas(
      root, "keyless",
      interfaceSchema(R"(<key name="font-name" type="s"><default>'Sans 11'</default></key>)"));
  auto gnome = compiledSchemas(root, "gnome", interfaceSchema(kAnimationsKey));
  environment.set("GSETTINGS_SCHEMA_DIR", gnome.string());
  environment.set("XDG_DATA_DIRS", (root / "no-data").string());

  struct Row {
    const char* name;
    std::optional<std::filesystem::path> schemas;  // none: where GLib looks
    std::optional<bool> animations;                // written first, when set
    bool on;
  };
  const Row rows[] = {
      {"no such schema: off", none, std::nullopt, false},
      {"the schema without the key: off", keyless, std::nullopt, false},
      {"animations on by default: off", gnome, std::nullopt, false},
      {"animations switched off: on", std::nullopt, false, true},
      {"and on again: off", std::nullopt, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.animations) {
      GSettings* settings = g_settings_new(GSettingsReduceMotion::kSchema);
      g_settings_set_boolean(settings, GSettingsReduceMotion::kKey, *row.animations);
      g_settings_sync();
      g_object_unref(settings);
    }
    std::optional<std::string> folder;
    if (row.schemas) folder = row.schemas->string();
    EXPECT_EQ(GSettingsReduceMotion(folder).isOn(), row.on);
  }
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace vigilix::platform
