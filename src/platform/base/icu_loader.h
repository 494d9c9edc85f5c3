#pragma once

// Opening one of ICU's libraries at run time, shared by the tables of its functions.
// Shared by this folder only.

#include <string>

#include "platform/base/loaded_library.h"

namespace vigilix::platform::icu_library {

// An ICU library of the version the program was built against, kept open for the life of the
// process like a library linked at start-up.
class Loader {
 public:
  // Throws std::runtime_error when the library cannot be opened.
  explicit Loader(const char* file);

  // Throws std::runtime_error when the library lacks the function. The library's own
  // dependencies are searched too.
  template <typename Function>
  void resolve(const char* name, Function& out) const {
    out = reinterpret_cast<Function>(symbol(name));
  }

 private:
  void* symbol(const char* name) const;
  LoadedLibrary library_;
};

}  // namespace vigilix::platform::icu_library
