#include "platform/system/file_paths.h"

namespace vigilix::platform {

namespace {

std::string withoutTrailingSlashes(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  return trimmed;
}

// Position of the extension's dot in `path`, or npos.
std::string::size_type extensionDot(const std::string& path) {
  const auto slash = path.rfind('/');
  const auto nameStart = slash == std::string::npos ? 0 : slash + 1;
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return std::string::npos;
  // A leading dot names a hidden item, a trailing one leaves no extension.
  if (dot == nameStart || dot + 1 == path.size()) return std::string::npos;
  return dot;
}

}  // namespace

std::string lastPathComponent(const std::string& path) {
  const std::string trimmed = withoutTrailingSlashes(path);
  if (trimmed == "/") return trimmed;
  const auto slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string pathExtension(const std::string& path) {
  const std::string trimmed = withoutTrailingSlashes(path);
  const auto dot = extensionDot(trimmed);
  return dot == std::string::npos ? std::string() : trimmed.substr(dot + 1);
}

std::string deletingPathExtension(const std::string& path) {
  const std::string trimmed = withoutTrailingSlashes(path);
  const auto dot = extensionDot(trimmed);
  return dot == std::string::npos ? trimmed : trimmed.substr(0, dot);
}

}  // namespace vigilix::platform
