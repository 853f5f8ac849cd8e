#include "win32/menu.h"

#include <string>
#include <vector>

#include "win32/code_pages.h"

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

// The live menu as the model, with UTF-8 labels and the states it shows now.
std::vector<MenuItem> ReadItems(HMENU menu) {
  std::vector<MenuItem> items;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char label[512] = "";
    GetMenuStringA(menu, static_cast<UINT>(i), label, sizeof label, MF_BYPOSITION);
    MenuItem item;
    item.label = Convert(label, kGbk, CP_UTF8);
    if (HMENU sub = GetSubMenu(menu, i)) {
      item.popup = true;
      item.items = ReadItems(sub);
    } else {
      const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
      item.id = static_cast<int>(GetMenuItemID(menu, i));
      item.checked = (state & MF_CHECKED) != 0;
      item.grayed = (state & MF_GRAYED) != 0;
    }
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace

HMENU CreateMenuBar(const MenuBar& model) {
  HMENU bar = CreateMenu();
  AppendItems(bar, model.popups);
  return bar;
}

MenuBar ReadMenuBar(HMENU menu) {
  MenuBar bar;
  if (menu != nullptr) bar.popups = ReadItems(menu);
  return bar;
}

}  // namespace velmira
