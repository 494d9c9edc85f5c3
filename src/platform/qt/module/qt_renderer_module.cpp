#include "platform/qt/qt_window_renderer.h"

extern "C" __attribute__((visibility("default"))) vigilix::platform::WindowRenderer*
vigilix_make_window_renderer(vigilix::platform::WindowInput& input,
                             vigilix::platform::DescriptorSources& sources,
                             vigilix::platform::DispatchQueue& mainQueue) {
  return vigilix::platform::makeQtWindowRenderer(input, sources, mainQueue);
}
