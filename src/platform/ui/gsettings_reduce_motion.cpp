#include <gio/gio.h>

#include "platform/base/loaded_library.h"
#include "platform/base/logger.h"
#include "platform/ui/reduce_motion.h"

namespace vigilix::platform {

namespace {

ReduceMotion*& installed() {
  static ReduceMotion* instance = nullptr;
  return instance;
}

// GIO is loaded the first time a window asks, not at start-up: linked, it and what it pulls in
// cost the idle program over a megabyte that only a pane switch ever uses.
struct Gio {
  decltype(&::g_settings_schema_source_new_from_directory) sourceFromDirectory;
  decltype(&::g_settings_schema_source_get_default) defaultSource;
  decltype(&::g_settings_schema_source_ref) sourceRef;
  decltype(&::g_settings_schema_source_unref) sourceUnref;
  decltype(&::g_settings_schema_source_lookup) lookup;
  decltype(&::g_settings_schema_has_key) hasKey;
  decltype(&::g_settings_schema_unref) schemaUnref;
  decltype(&::g_settings_new_full) settingsNew;
  decltype(&::g_settings_get_boolean) getBoolean;
  decltype(&::g_object_unref) objectUnref;
  decltype(&::g_error_free) errorFree;
};

std::optional<Gio> loadGio() {
  // Kept open for the life of the process: GLib's types cannot be unregistered.
  std::string error;
  const auto library = LoadedLibrary::open("libgio-2.0.so.0", &error);
  if (!library) {
    Logger("Accessibility").error("GIO cannot be loaded: {}", error);
    return std::nullopt;
  }
  Gio g{};
  const bool complete =
      library->resolve("g_settings_schema_source_new_from_directory", g.sourceFromDirectory) &&
      library->resolve("g_settings_schema_source_get_default", g.defaultSource) &&
      library->resolve("g_settings_schema_source_ref", g.sourceRef) &&
      library->resolve("g_settings_schema_source_unref", g.sourceUnref) &&
      library->resolve("g_settings_schema_source_lookup", g.lookup) &&
      library->resolve("g_settings_schema_has_key", g.hasKey) &&
      library->resolve("g_settings_schema_unref", g.schemaUnref) &&
      library->resolve("g_settings_new_full", g.settingsNew) &&
      library->resolve("g_settings_get_boolean", g.getBoolean) &&
      library->resolve("g_object_unref", g.objectUnref) &&
      library->resolve("g_error_free", g.errorFree);
  if (!complete) {
    Logger("Accessibility").error("GIO lacks the settings functions");
    return std::nullopt;
  }
  return g;
}

const Gio* gio() {
  static const std::optional<Gio> loaded = loadGio();
  return loaded ? &*loaded : nullptr;
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
  const Gio* g = gio();
  if (g == nullptr) return false;
  GSettingsSchemaSource* source = nullptr;
  if (schemaDirectory_) {
    GError* error = nullptr;
    source = g->sourceFromDirectory(schemaDirectory_->c_str(), nullptr, TRUE, &error);
    if (!source) {
      Logger("Accessibility")
          .error("The schemas in {} cannot be read: {}", *schemaDirectory_,
                 error ? error->message : "unknown error");
      if (error) g->errorFree(error);
      return false;
    }
  } else {
    // None at all where GLib finds no compiled schemas.
    source = g->defaultSource();
    if (!source) return false;
    g->sourceRef(source);
  }
  bool on = false;
  if (GSettingsSchema* schema = g->lookup(source, kSchema, TRUE)) {
    if (g->hasKey(schema, kKey)) {
      GSettings* settings = g->settingsNew(schema, nullptr, nullptr);
      on = !g->getBoolean(settings, kKey);
      g->objectUnref(settings);
    }
    g->schemaUnref(schema);
  }
  g->sourceUnref(source);
  return on;
}

}  // namespace vigilix::platform
