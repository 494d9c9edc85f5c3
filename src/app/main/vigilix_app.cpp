#include <string>
#include <vector>

#include "app/app_launch.h"
#include "platform/x11/desktop_hot_keys.h"

int main(int argc, char** argv) {
  vigilix::platform::installDesktopHotKeyService();
  return vigilix::DZLApplicationMain(std::vector<std::string>(argv + 1, argv + argc));
}
