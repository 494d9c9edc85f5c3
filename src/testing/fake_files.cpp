#include "testing/fake_files.h"

#include <cerrno>
#include <vector>

namespace vigilix::testing {

namespace {

std::string parentOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

bool isBelow(const std::string& path, const std::string& folder) {
  const std::string prefix = folder == "/" ? "/" : folder + "/";
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

platform::FileError errorFor(int code, const std::string& path) {
  return platform::FileError{code, path, code == ENOENT ? "no such file" : "refused"};
}

}  // namespace

FakeFiles::FakeFiles() {
  nodes_["/"] = Node{Kind::directory, std::nullopt, {}};
  platform::FileResources::setCurrent(this);
}

FakeFiles::~FakeFiles() { platform::FileResources::setCurrent(nullptr); }

std::string FakeFiles::normalized(const std::string& path) {
  std::string result = path;
  while (result.size() > 1 && result.back() == '/') result.pop_back();
  return result;
}

void FakeFiles::addParents(const std::string& path) {
  for (std::string parent = parentOf(path); parent != "/"; parent = parentOf(parent)) {
    nodes_.try_emplace(parent, Node{Kind::directory, std::nullopt, {}});
  }
}

void FakeFiles::addFile(const std::string& path, std::int64_t size) {
  const std::string key = normalized(path);
  addParents(key);
  nodes_[key] = Node{Kind::file, size, {}};
}

void FakeFiles::addDirectory(const std::string& path) {
  const std::string key = normalized(path);
  addParents(key);
  nodes_[key] = Node{Kind::directory, std::nullopt, {}};
}

void FakeFiles::addSymbolicLink(const std::string& path, const std::string& target) {
  const std::string key = normalized(path);
  addParents(key);
  nodes_[key] = Node{Kind::link, std::nullopt, target};
}

void FakeFiles::setSize(const std::string& path, std::int64_t size) {
  nodes_.at(normalized(path)).size = size;
}

void FakeFiles::setSizeUnknown(const std::string& path) {
  nodes_.at(normalized(path)).size.reset();
}

void FakeFiles::remove(const std::string& path) {
  const std::string key = normalized(path);
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (it->first == key || isBelow(it->first, key)) {
      it = nodes_.erase(it);
    } else {
      ++it;
    }
  }
}

void FakeFiles::move(const std::string& from, const std::string& to) {
  const std::string source = normalized(from);
  const std::string destination = normalized(to);
  std::map<std::string, Node> moved;
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (it->first == source || isBelow(it->first, source)) {
      moved.emplace(destination + it->first.substr(source.size()), it->second);
      it = nodes_.erase(it);
    } else {
      ++it;
    }
  }
  addParents(destination);
  for (auto& [key, node] : moved) nodes_[key] = node;
}

void FakeFiles::failResourceValues(const std::string& path, bool fail) {
  if (fail) {
    failingValues_.insert(normalized(path));
  } else {
    failingValues_.erase(normalized(path));
  }
}

void FakeFiles::failListing(const std::string& path, bool fail) {
  if (fail) {
    failingListings_.insert(normalized(path));
  } else {
    failingListings_.erase(normalized(path));
  }
}

const FakeFiles::Node* FakeFiles::find(const std::string& path) const {
  const auto found = nodes_.find(normalized(path));
  return found == nodes_.end() ? nullptr : &found->second;
}

bool FakeFiles::fileExists(const std::string& path) const {
  std::string current = normalized(path);
  // Follow a bounded chain of links, as the system gives up on loops.
  for (int hops = 0; hops < 32; ++hops) {
    const Node* node = find(current);
    if (!node) return false;
    if (node->kind != Kind::link) return true;
    current = normalized(node->target.starts_with("/") ? node->target
                                                       : parentOf(current) + "/" + node->target);
  }
  return false;
}

std::expected<platform::FileResourceValues, platform::FileError> FakeFiles::resourceValues(
    const std::string& path) const {
  const std::string key = normalized(path);
  if (failingValues_.contains(key)) return std::unexpected(errorFor(EACCES, key));
  const Node* node = find(key);
  if (!node) return std::unexpected(errorFor(ENOENT, key));
  platform::FileResourceValues values;
  values.isDirectory = node->kind == Kind::directory;
  values.isRegularFile = node->kind == Kind::file;
  values.isSymbolicLink = node->kind == Kind::link;
  if (node->kind == Kind::file) values.fileSize = node->size;
  return values;
}

std::expected<std::vector<platform::DirectoryEntry>, platform::FileError>
FakeFiles::contentsOfDirectory(const std::string& path) const {
  ++listingCount_;
  const std::string key = normalized(path);
  if (failingListings_.contains(key)) return std::unexpected(errorFor(EACCES, key));
  const Node* node = find(key);
  if (!node) return std::unexpected(errorFor(ENOENT, key));
  if (node->kind != Kind::directory) return std::unexpected(errorFor(ENOTDIR, key));
  std::vector<platform::DirectoryEntry> entries;
  for (const auto& [entryPath, entryNode] : nodes_) {
    if (isBelow(entryPath, key) && parentOf(entryPath) == key) {
      entries.push_back(platform::DirectoryEntry{entryPath, resourceValues(entryPath)});
    }
  }
  return entries;
}

}  // namespace vigilix::testing
