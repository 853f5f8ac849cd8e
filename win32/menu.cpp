#include "win32/menu.h"

#include <cstdio>
#include <string>

namespace velmira {

namespace {

void AppendItems(HMENU menu, const std::vector<MenuItem>& items) {
  UINT position = 0;
  for (const MenuItem& item : items) {
    if (item.popup) {
      HMENU sub = CreatePopupMenu();
      AppendItems(sub, item.items);
      AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), item.label.c_str());
    } else {
      AppendMenuA(menu, MF_STRING | (item.grayed ? MF_GRAYED : 0u), static_cast<UINT_PTR>(item.id),
                  item.label.c_str());
      if (item.checked) CheckMenuItem(menu, position, MF_BYPOSITION | MF_CHECKED);
    }
    ++position;
  }
}

// GBK (the system code page of the program's text) to UTF-8, with the tab written as \t.
std::string LabelAsUtf8(const char* gbk) {
  wchar_t wide[512];
  const int n = MultiByteToWideChar(936, 0, gbk, -1, wide, 512);
  if (n <= 0) return "";
  char utf8[1536];
  const int m = WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
  if (m <= 0) return "";
  std::string out;
  for (const char* p = utf8; *p != '\0'; ++p) {
    if (*p == '\t')
      out += "\\t";
    else
      out += *p;
  }
  return out;
}

void DumpItems(HMENU menu, int depth, std::string& out) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char label[512] = "";
    GetMenuStringA(menu, static_cast<UINT>(i), label, sizeof label, MF_BYPOSITION);
    out.append(static_cast<size_t>(depth) * 2, ' ');
    if (HMENU sub = GetSubMenu(menu, i)) {
      out += "popup " + LabelAsUtf8(label) + "\n";
      DumpItems(sub, depth + 1, out);
      continue;
    }
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    char head[48];
    std::snprintf(head, sizeof head, "%u %d %d ", GetMenuItemID(menu, i),
                  (state & MF_CHECKED) ? 1 : 0, (state & MF_GRAYED) ? 1 : 0);
    out += head + LabelAsUtf8(label) + "\n";
  }
}

}  // namespace

HMENU CreateMenuBar(const MenuBar& model) {
  HMENU bar = CreateMenu();
  AppendItems(bar, model.popups);
  return bar;
}

bool WriteMenuDump(HMENU menu, const char* path) {
  if (menu == nullptr) return false;
  std::string text;
  DumpItems(menu, 0, text);
  const std::string temporary = std::string(path) + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) return false;
  return MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace velmira
