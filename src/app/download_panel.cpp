#include "app/download_panel.h"

#include "platform/ui/open_panel.h"

namespace vigilix {

void presentDownloadPanel(const std::string& folder,
                          std::function<void(std::vector<std::string> paths)> completion) {
  const auto panel = platform::OpenPanel::make();
  panel->setCanChooseFiles(true);
  panel->setCanChooseDirectories(true);
  panel->setAllowsMultipleSelection(true);
  panel->setDirectory(folder);
  panel->begin([completion = std::move(completion)](platform::ModalResponse response,
                                                    std::vector<std::string> paths) {
    if (response == platform::ModalResponse::OK && completion) completion(std::move(paths));
  });
}

}  // namespace vigilix
