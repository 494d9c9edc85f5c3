#pragma once

#include <optional>
#include <string>

namespace vigilix::platform {

// Whether the desktop asks programs to keep motion to a minimum (the
// accessibility display option). Main thread only.
class ReduceMotion {
 public:
  virtual ~ReduceMotion() = default;
  virtual bool isOn() const = 0;

  // The installed one, else the desktop's.
  static ReduceMotion& current();
  // Installs an instance (nullptr: the desktop's again). For tests.
  static void setCurrent(ReduceMotion* reduceMotion);
};

// GNOME's animation setting, org.gnome.desktop.interface "enable-animations",
// read through GSettings: on while animations are off. Off where that schema
// or key is not installed, as on desktops without it.
class GSettingsReduceMotion final : public ReduceMotion {
 public:
  static constexpr const char* kSchema = "org.gnome.desktop.interface";
  static constexpr const char* kKey = "enable-animations";

  // `schemaDirectory`: the only compiled schemas to look in, in place of the
  // ones GLib finds (GSETTINGS_SCHEMA_DIR, then the data folders).
  explicit GSettingsReduceMotion(std::optional<std::string> schemaDirectory = std::nullopt);
  bool isOn() const override;

 private:
  std::optional<std::string> schemaDirectory_;
};

}  // namespace vigilix::platform
