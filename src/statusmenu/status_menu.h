#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/date.h"
#include "platform/ui/image.h"
#include "platform/ui/menu.h"
#include "statusmenu/status_menu_actions.h"

namespace vigilix {

class VGXTriggerBridge;
class VGXMenuHeaderView;

// One row of the menu's automatic section: its title and, for a watch, the
// watch's identifier (canonical upper-case UUID).
struct VGXAutomaticRow {
  std::string title;
  std::optional<std::string> watchIdentifier;
  bool operator==(const VGXAutomaticRow&) const = default;
};

// Builds the status menu from the hub and keeps its header current. Holds no
// state: every call reads the hub, the standard defaults, the running
// applications and the slots below. Main thread only.
struct VGXStatusMenu {
  VGXStatusMenu() = delete;

  static constexpr int headerTag = 2001;

  // Process-wide slots that closed-lid mode fills at launch; each is read at
  // every rebuild, and an empty slot means the feature is absent.
  struct Slots {
    // Adds the feature's items after "Allow Display to Sleep".
    std::function<void(platform::Menu&)> extraItemsHook;
    // The feature's part of the state signature.
    std::function<std::string()> signatureHook;
  };
  static Slots& slots();

  // What the application fills at set-up.
  struct Hooks {
    // Whether the keep-awake protection needs attention; empty: the shared
    // protection verifier says.
    std::function<bool()> hasAttention;
    // The protection's reason line, shown under the header while it needs
    // attention; empty: none.
    std::function<std::optional<std::string>()> attentionLine;
  };
  static Hooks& hooks();

  // Empties `menu` and builds it anew. `durationsMenu` is the "Keep Awake
  // For" submenu, owned by the caller and filled by it; its items are
  // enabled here exactly when keep-awake is not blocked.
  static void populate(const VGXTriggerBridge& hub, platform::Menu& menu,
                       const std::shared_ptr<platform::Menu>& durationsMenu,
                       const std::shared_ptr<VGXMenuHeaderView>& headerView,
                       const std::weak_ptr<VGXStatusMenuActions>& target);
  // Refills the header in place; when the header is a menu item's view, that
  // item's check mark, enabled state and detail lines follow it, for hosts
  // that show rows instead of the view.
  static void refreshHeader(const VGXTriggerBridge& hub, VGXMenuHeaderView& headerView,
                            const std::weak_ptr<VGXStatusMenuActions>& target);
  // All state that shapes the items; the menu needs a rebuild only when it changes.
  static std::string stateSignature(const VGXTriggerBridge& hub);
  static std::vector<VGXAutomaticRow> automaticRows(const VGXTriggerBridge& hub,
                                                    platform::Date now);
  static bool hasAttention();
};

// The status item's image while the protection needs attention.
struct VGXStatusItemGlyph {
  VGXStatusItemGlyph() = delete;
  static constexpr const char* symbolName = "eye.trianglebadge.exclamationmark";
  // The system symbol of that name as a template image; an empty template
  // image when the system lacks it.
  static platform::Image attentionImage();
};

}  // namespace vigilix
