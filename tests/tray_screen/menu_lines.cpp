#include "tray_screen/menu_lines.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <optional>

namespace vigilix::testing {

namespace {

struct RowLook {
  std::string label;
  bool separator = false;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  bool submenu = false;
};

std::string line(const std::string& indent, const RowLook& row) {
  if (row.separator) return indent + "--";
  std::string text = indent + row.label;
  if (row.checked) text += " on";
  if (!row.enabled) text += " off";
  if (row.submenu) text += " >";
  return text;
}

// "_" marks the mnemonic and "__" stands for an underscore.
std::string shownLabel(const std::string& label) {
  std::string shown;
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (label[i] != '_') {
      shown += label[i];
    } else if (i + 1 < label.size() && label[i + 1] == '_') {
      shown += '_';
      ++i;
    }
  }
  return shown;
}

int readProperties(sd_bus_message* m, RowLook& row) {
  int r = sd_bus_message_enter_container(m, 'a', "{sv}");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
    const char* name = nullptr;
    if ((r = sd_bus_message_read(m, "s", &name)) < 0) return r;
    const std::string key = name;
    const char* text = nullptr;
    int flag = 0;
    std::int32_t number = 0;
    if (key == "label" || key == "type" || key == "children-display") {
      if ((r = sd_bus_message_read(m, "v", "s", &text)) < 0) return r;
      if (key == "label") row.label = shownLabel(text);
      if (key == "type") row.separator = std::string(text) == "separator";
      if (key == "children-display") row.submenu = std::string(text) == "submenu";
    } else if (key == "enabled" || key == "visible") {
      if ((r = sd_bus_message_read(m, "v", "b", &flag)) < 0) return r;
      (key == "enabled" ? row.enabled : row.visible) = flag != 0;
    } else if (key == "toggle-state") {
      if ((r = sd_bus_message_read(m, "v", "i", &number)) < 0) return r;
      row.checked = number == 1;
    } else if ((r = sd_bus_message_skip(m, "v")) < 0) {
      return r;
    }
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

// Reads the children of the struct the message is in; the caller has read its id and properties.
int readChildren(sd_bus_message* m, const std::string& indent, std::vector<std::string>& out) {
  int r = sd_bus_message_enter_container(m, 'a', "v");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'v', "(ia{sv}av)")) > 0) {
    if ((r = sd_bus_message_enter_container(m, 'r', "ia{sv}av")) < 0) return r;
    std::int32_t id = 0;
    RowLook row;
    if ((r = sd_bus_message_read(m, "i", &id)) < 0 || (r = readProperties(m, row)) < 0) return r;
    std::vector<std::string> below;
    if ((r = readChildren(m, indent + "  ", below)) < 0) return r;
    if (row.visible) {
      out.push_back(line(indent, row));
      out.insert(out.end(), below.begin(), below.end());
    }
    if ((r = sd_bus_message_exit_container(m)) < 0 || (r = sd_bus_message_exit_container(m)) < 0) {
      return r;
    }
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

}  // namespace

std::vector<std::string> layoutLines(sd_bus_message* reply) {
  std::vector<std::string> out;
  std::uint32_t revision = 0;
  std::int32_t rootID = 0;
  RowLook root;
  const int r = [&] {
    int step = sd_bus_message_read(reply, "u", &revision);
    if (step >= 0) step = sd_bus_message_enter_container(reply, 'r', "ia{sv}av");
    if (step >= 0) step = sd_bus_message_read(reply, "i", &rootID);
    if (step >= 0) step = readProperties(reply, root);
    if (step >= 0) step = readChildren(reply, "", out);
    return step;
  }();
  if (r < 0) return {"(the layout did not read: error " + std::to_string(-r) + ")"};
  return out;
}

}  // namespace vigilix::testing
