#include "support/display_popup.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <filesystem>

namespace vx::test {
namespace {

constexpr int poll_ms = 5;

QString shown_caption(const std::string& caption) {
  return QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size()));
}

// Once the menu is up: look at it, then choose as the user would, by the keyboard.
void answer(QMenu& menu, PopupAnswer& wanted) {
  if (!wanted.screenshot.empty()) {
    std::filesystem::create_directories(VX_SCREENSHOTS);
    menu.grab().save(QString::fromStdString(std::string(VX_SCREENSHOTS) + "/" + wanted.screenshot + ".png"), "PNG");
  }
  QAction* chosen = nullptr;
  for (QAction* action : menu.actions()) {
    wanted.seen.push_back(action->text().toStdString());
    if (!wanted.choose.empty() && action->text() == shown_caption(wanted.choose)) chosen = action;
  }
  if (chosen == nullptr) {
    menu.close();
    return;
  }
  menu.setActiveAction(chosen);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(&menu, &enter);
}

}  // namespace

void answer_next_popup_menu(PopupAnswer& wanted) {
  auto* timer = new QTimer();
  QObject::connect(timer, &QTimer::timeout, [timer, &wanted] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    timer->stop();
    timer->deleteLater();
    answer(*menu, wanted);
  });
  timer->start(poll_ms);
}

}  // namespace vx::test
