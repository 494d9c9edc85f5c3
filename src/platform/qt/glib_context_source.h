#pragma once

#include <glib.h>

#include <map>
#include <vector>

#include "platform/runloop/descriptor_sources.h"

namespace vigilix::platform {

// GLib's default main context, on which the toolkit runs, driven as one
// source of our poll loop (prepare, query, check, dispatch), so that no
// second loop ever runs. The context's descriptors, which change from turn
// to turn, are gathered in one epoll descriptor. Main thread only; owns the
// context while it lives.
class GlibContextSource {
 public:
  explicit GlibContextSource(DescriptorSources& sources);
  ~GlibContextSource();
  GlibContextSource(const GlibContextSource&) = delete;
  GlibContextSource& operator=(const GlibContextSource&) = delete;

 private:
  DescriptorInterest prepare();
  void dispatch();
  void watch(const std::vector<GPollFD>& fds);

  GMainContext* context_;
  bool owner_ = false;
  int epoll_ = -1;
  std::vector<GPollFD> fds_;
  std::map<int, unsigned> watched_;  // descriptor -> epoll events
  gint priority_ = 0;
  SourceHandle handle_;
};

}  // namespace vigilix::platform
