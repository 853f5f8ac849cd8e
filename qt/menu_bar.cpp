#include "qt/menu_bar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <string>
#include <vector>

namespace velmira {

namespace {

void AddItems(QMenu* menu, const std::vector<MenuItem>& items, CommandActions& actions,
              const std::function<void(int)>& onCommand) {
  for (const MenuItem& item : items) {
    const QString label = QString::fromUtf8(item.label.c_str());
    if (item.popup) {
      AddItems(menu->addMenu(label), item.items, actions, onCommand);
      continue;
    }
    QAction* action = menu->addAction(label);
    action->setData(item.id);
    action->setCheckable(item.checkable);
    action->setChecked(item.checked);
    action->setEnabled(!item.grayed);
    const int id = item.id;
    QObject::connect(action, &QAction::triggered, action, [action, id, onCommand](bool checked) {
      if (action->isCheckable()) action->setChecked(!checked);  // the program decides, not Qt
      onCommand(id);
    });
    actions[id] = action;
  }
}

std::vector<MenuItem> ReadItems(const QList<QAction*>& actions) {
  std::vector<MenuItem> items;
  for (const QAction* action : actions) {
    MenuItem item;
    if (const QMenu* sub = action->menu()) {
      item.label = sub->title().toStdString();
      item.popup = true;
      item.items = ReadItems(sub->actions());
    } else {
      item.label = action->text().toStdString();
      item.id = action->data().toInt();
      item.checkable = action->isCheckable();
      item.checked = action->isChecked();
      item.grayed = !action->isEnabled();
    }
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace

CommandActions BuildMenuBar(QMenuBar* bar, const MenuBar& model,
                            const std::function<void(int)>& onCommand) {
  bar->clear();
  CommandActions actions;
  for (const MenuItem& popup : model.popups) {
    AddItems(bar->addMenu(QString::fromUtf8(popup.label.c_str())), popup.items, actions, onCommand);
  }
  return actions;
}

MenuBar ReadMenuBar(const QMenuBar* bar) {
  MenuBar model;
  model.popups = ReadItems(bar->actions());
  return model;
}

}  // namespace velmira
