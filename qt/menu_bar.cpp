#include "qt/menu_bar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <cstdio>
#include <string>

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
    action->setCheckable(true);
    action->setChecked(item.checked);
    action->setEnabled(!item.grayed);
    const int id = item.id;
    QObject::connect(action, &QAction::triggered, action, [action, id, onCommand](bool checked) {
      action->setChecked(!checked);  // undo Qt's own toggle: the program decides
      onCommand(id);
    });
    actions[id] = action;
  }
}

std::string Escaped(const QString& label) {
  std::string out;
  for (char c : label.toStdString()) {
    if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

void DumpActions(const QList<QAction*>& actions, int depth, std::string& out) {
  for (const QAction* action : actions) {
    out.append(static_cast<size_t>(depth) * 2, ' ');
    if (const QMenu* sub = action->menu()) {
      out += "popup " + Escaped(sub->title()) + "\n";
      DumpActions(sub->actions(), depth + 1, out);
      continue;
    }
    char head[48];
    std::snprintf(head, sizeof head, "%d %d %d ", action->data().toInt(),
                  action->isChecked() ? 1 : 0, action->isEnabled() ? 0 : 1);
    out += head + Escaped(action->text()) + "\n";
  }
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

bool WriteMenuDump(const QMenuBar* bar, const char* path) {
  std::string text;
  DumpActions(bar->actions(), 0, text);
  const std::string temporary = std::string(path) + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) return false;
  return std::rename(temporary.c_str(), path) == 0;
}

}  // namespace velmira
