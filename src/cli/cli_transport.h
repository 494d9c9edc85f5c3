#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vigilix {

// Carries request texts to the running application and its reply texts back. One thread.
class VGXCLITransport {
 public:
  using Accept = std::function<bool(const std::string& reply)>;
  virtual ~VGXCLITransport() = default;
  // Posts `request` and answers the first reply text that `accept` takes, or none once
  // `timeout` seconds have passed. Replies arriving from the moment of the call count.
  virtual std::optional<std::string> exchange(const std::string& request, const Accept& accept,
                                              double timeout) = 0;
};

}  // namespace vigilix
