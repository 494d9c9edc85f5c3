#include <gio/gio.h>

#include "platform/base/logger.h"
#include "platform/ui/reduce_motion.h"

namespace vigilix::platform {

namespace {

ReduceMotion*& installed() {
  static ReduceMotion* instance = nullptr;
  return instance;
}

}  // namespace

ReduceMotion& ReduceMotion::current() {
  if (ReduceMotion* instance = installed()) return *instance;
  static GSettingsReduceMotion live;
  return live;
}

void ReduceMotion::setCurrent(ReduceMotion* reduceMotion) { installed() = reduceMotion; }

GSettingsReduceMotion::GSettingsReduceMotion(std::optional<std::string> schemaDirectory)
    : schemaDirectory_(std::move(schemaDirectory)) {}

bool GSettingsReduceMotion::isOn() const {
  GSettingsSchemaSource* source = nullptr;
  if (schemaDirectory_) {
    GError* error = nullptr;
    source = g_settings_schema_source_new_from_directory(schemaDirectory_->c_str(), nullptr, TRUE,
                                                         &error);
    if (!source) {
      Logger("Accessibility")
          .error("The schemas in {} cannot be read: {}", *schemaDirectory_,
                 error ? error->message : "unknown error");
      g_clear_error(&error);
      return false;
    }
  } else {
    // None at all where GLib finds no compiled schemas.
    source = g_settings_schema_source_get_default();
    if (!source) return false;
    g_settings_schema_source_ref(source);
  }
  bool on = false;
  if (GSettingsSchema* schema = g_settings_schema_source_lookup(source, kSchema, TRUE)) {
    if (g_settings_schema_has_key(schema, kKey)) {
      GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
      on = !g_settings_get_boolean(settings, kKey);
      g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
  }
  g_settings_schema_source_unref(source);
  return on;
}

}  // namespace vigilix::platform
