#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vigilix {

// The hub's open panel for "A Download Finishes…": a free-standing panel
// that lets the user pick files (several at once), starting in `folder`; the
// completion hears the chosen paths, and nothing on cancel. The panel is the
// window models' own, which the window renderer shows as the toolkit's file
// dialog, so no nested loop runs while it is open.
void presentDownloadPanel(const std::string& folder,
                          std::function<void(std::vector<std::string> paths)> completion);

}  // namespace vigilix
