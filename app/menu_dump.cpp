#include "app/menu_dump.h"

#include <cstdio>

#include "record/atomic_file.h"

namespace velmira {

namespace {

std::string Escaped(const std::string& label) {
  std::string out;
  for (char c : label) {
    if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

void DumpItems(const std::vector<MenuItem>& items, int depth, std::string& out) {
  for (const MenuItem& item : items) {
    out.append(static_cast<size_t>(depth) * 2, ' ');
    if (item.popup) {
      out += "popup " + Escaped(item.label) + "\n";
      DumpItems(item.items, depth + 1, out);
      continue;
    }
    char head[48];
    std::snprintf(head, sizeof head, "%d %d %d ", item.id, item.checked ? 1 : 0,
                  item.grayed ? 1 : 0);
    out += head + Escaped(item.label) + "\n";
  }
}

}  // namespace

std::string FormatMenuDump(const MenuBar& bar) {
  std::string text;
  DumpItems(bar.popups, 0, text);
  return text;
}

bool WriteMenuDump(const MenuBar& bar, const std::string& path) {
  const std::string text = FormatMenuDump(bar);
  return WriteFileAtomically(path, text.data(), text.size()) == nullptr;
}

}  // namespace velmira
