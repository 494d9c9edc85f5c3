#include "closedlid/closed_lid_menu_item.h"

#include "platform/base/localized.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

std::shared_ptr<platform::MenuItem> makeClosedLidMenuItem(const VGXClosedLidMenuItem& look,
                                                          std::function<void()> toggle) {
  if (look.hidden) return nullptr;
  auto item = std::make_shared<platform::MenuItem>(
      platform::localized(std::string(VGXLidModel::kMenuItemTitle), "closed-lid menu item"));
  item->setEnabled(look.enabled);
  item->setCheckable(true);
  item->setState(look.on ? platform::ControlStateValue::On : platform::ControlStateValue::Off);
  if (look.help) item->setDetailLines({*look.help});
  item->setAction([toggle = std::move(toggle)](platform::MenuItem&) {
    platform::DispatchQueue::main().async(toggle);
  });
  return item;
}

}  // namespace vigilix
