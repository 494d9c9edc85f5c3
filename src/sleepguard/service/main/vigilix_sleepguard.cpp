#include <string>
#include <vector>

#include "sleepguard/service/guard_main.h"

int main(int argc, char** argv) {
  return vigilix::VGXGuardMain::run(std::vector<std::string>(argv, argv + argc));
}
