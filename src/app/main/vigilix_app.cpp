#include <string>
#include <vector>

#include "app/app_launch.h"

int main(int argc, char** argv) {
  return vigilix::DZLApplicationMain(std::vector<std::string>(argv + 1, argv + argc));
}
