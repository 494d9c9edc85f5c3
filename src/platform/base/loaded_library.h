#pragma once

#include <optional>
#include <string>

namespace vigilix::platform {

// A shared library opened at run time rather than linked, so that a process pays for it only once
// something needs it. Kept open for the life of the process, like a library linked at start-up.
class LoadedLibrary {
 public:
  // None when it cannot be opened; `error`, when given, then says why.
  static std::optional<LoadedLibrary> open(const char* file, std::string* error = nullptr);

  // Null when neither the library nor one it depends on has the symbol.
  void* symbol(const char* name) const;
  template <typename Function>
  bool resolve(const char* name, Function& out) const {
    out = reinterpret_cast<Function>(symbol(name));
    return out != nullptr;
  }

 private:
  explicit LoadedLibrary(void* library) : library_(library) {}

  void* library_;
};

}  // namespace vigilix::platform
