#include "platform/ws/qt/qt_menu.h"

#include <QAction>
#include <QMenu>

#include "platform/ws/qt/qt_text.h"

namespace vx::ws::qt {

std::optional<std::size_t> run_popup_menu(const std::vector<PopupEntry>& entries, Point screen) {
  QMenu menu;
  menu.setObjectName(QStringLiteral("vx-popup-menu"));
  std::vector<QAction*> actions;
  for (const PopupEntry& entry : entries) {
    // "&" marks the accelerator in both systems.
    QAction* action = menu.addAction(to_qstring(entry.caption));
    action->setEnabled(entry.enabled);
    actions.push_back(action);
  }
  const QAction* chosen = menu.exec(QPoint(screen.x, screen.y));
  for (std::size_t index = 0; index < actions.size(); ++index) {
    if (actions[index] == chosen) return index;
  }
  return std::nullopt;
}

}  // namespace vx::ws::qt
