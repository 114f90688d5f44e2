#include "platform/ws/qt/qt_form_window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "platform/windows_1252.h"
#include "platform/ws/display.h"
#include "platform/ws/messages.h"

namespace vx::ws::qt {
namespace {

// Punctuation comes as the key of the character it makes; the window
// system names the key itself, as a US keyboard lays them out.
constexpr std::array<std::pair<int, std::uint16_t>, 32> character_keys{{
    {Qt::Key_Semicolon, vk::oem_semicolon},   {Qt::Key_Colon, vk::oem_semicolon},
    {Qt::Key_Equal, vk::oem_plus},            {Qt::Key_Plus, vk::oem_plus},
    {Qt::Key_Comma, vk::oem_comma},           {Qt::Key_Less, vk::oem_comma},
    {Qt::Key_Minus, vk::oem_minus},           {Qt::Key_Underscore, vk::oem_minus},
    {Qt::Key_Period, vk::oem_period},         {Qt::Key_Greater, vk::oem_period},
    {Qt::Key_Slash, vk::oem_slash},           {Qt::Key_Question, vk::oem_slash},
    {Qt::Key_QuoteLeft, vk::oem_backquote},   {Qt::Key_AsciiTilde, vk::oem_backquote},
    {Qt::Key_BracketLeft, vk::oem_open_bracket}, {Qt::Key_BraceLeft, vk::oem_open_bracket},
    {Qt::Key_Backslash, vk::oem_backslash},   {Qt::Key_Bar, vk::oem_backslash},
    {Qt::Key_BracketRight, vk::oem_close_bracket}, {Qt::Key_BraceRight, vk::oem_close_bracket},
    {Qt::Key_Apostrophe, vk::oem_quote},      {Qt::Key_QuoteDbl, vk::oem_quote},
    {Qt::Key_ParenRight, '0'},                {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},                        {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},                    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},               {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},                  {Qt::Key_ParenLeft, '9'},
}};

constexpr std::array<std::pair<int, std::uint16_t>, 22> named_keys{{
    {Qt::Key_Escape, vk::escape},   {Qt::Key_Tab, vk::tab},         {Qt::Key_Backtab, vk::tab},
    {Qt::Key_Backspace, vk::back},  {Qt::Key_Return, vk::enter},    {Qt::Key_Enter, vk::enter},
    {Qt::Key_Insert, vk::insert},   {Qt::Key_Delete, vk::del},      {Qt::Key_Home, vk::home},
    {Qt::Key_End, vk::end},         {Qt::Key_Left, vk::left},       {Qt::Key_Up, vk::up},
    {Qt::Key_Right, vk::right},     {Qt::Key_Down, vk::down},       {Qt::Key_PageUp, vk::page_up},
    {Qt::Key_PageDown, vk::page_down}, {Qt::Key_Shift, vk::shift},  {Qt::Key_Control, vk::control},
    {Qt::Key_Alt, vk::alt},         {Qt::Key_CapsLock, vk::caps_lock}, {Qt::Key_NumLock, vk::num_lock},
    {Qt::Key_ScrollLock, vk::scroll_lock},
}};

constexpr std::array<std::pair<int, std::uint16_t>, 5> keypad_operators{{
    {Qt::Key_Asterisk, vk::multiply},
    {Qt::Key_Plus, vk::add},
    {Qt::Key_Minus, vk::subtract},
    {Qt::Key_Period, vk::decimal},
    {Qt::Key_Slash, vk::divide},
}};

template <std::size_t n>
std::uint16_t look_up(const std::array<std::pair<int, std::uint16_t>, n>& table, int key) {
  const auto found = std::find_if(table.begin(), table.end(), [key](const auto& entry) { return entry.first == key; });
  return found != table.end() ? found->second : 0;
}

WParam mouse_flags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  WParam flags = 0;
  if ((buttons & Qt::LeftButton) != 0) flags |= mk::left_button;
  if ((buttons & Qt::RightButton) != 0) flags |= mk::right_button;
  if ((modifiers & Qt::ShiftModifier) != 0) flags |= mk::shift;
  if ((modifiers & Qt::ControlModifier) != 0) flags |= mk::control;
  return flags;
}

Point point_of(const QPointF& position) {
  const QPoint rounded = position.toPoint();
  return {rounded.x(), rounded.y()};
}

WindowState state_of(Qt::WindowState state) {
  switch (state) {
    case Qt::WindowMinimized: return WindowState::minimized;
    case Qt::WindowMaximized:
    case Qt::WindowFullScreen: return WindowState::maximized;
    default: return WindowState::normal;
  }
}

}  // namespace

std::uint16_t virtual_key_of(int key, bool keypad) {
  if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint16_t>(vk::numpad0 + key - Qt::Key_0);
  if (keypad) {
    if (const std::uint16_t found = look_up(keypad_operators, key)) return found;
  }
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
    return static_cast<std::uint16_t>(key);
  }
  if (key == Qt::Key_Space) return vk::space;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<std::uint16_t>(vk::f1 + key - Qt::Key_F1);
  if (const std::uint16_t found = look_up(named_keys, key)) return found;
  return look_up(character_keys, key);
}

FormWindow::FormWindow(WindowHandle form) : form_(form) {
  setObjectName(QStringLiteral("vx-form-%1").arg(form));
  QObject::connect(this, &QWindow::windowStateChanged,
                   [this](Qt::WindowState state) { from_display::state_changed(form_, state_of(state)); });
}

bool FormWindow::event(QEvent* event) {
  // The form decides whether it closes; the window follows the form.
  if (event->type() == QEvent::Close) {
    event->ignore();
    from_display::close(form_);
    return true;
  }
  if (event->type() == QEvent::FocusIn) from_display::activated(form_);
  return QRasterWindow::event(event);
}

void FormWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, pixels);
}

void FormWindow::key(QKeyEvent* event, bool down) {
  // A held key repeats its key-down without key-ups between.
  if (!down && event->isAutoRepeat()) return;
  const bool keypad = (event->modifiers() & Qt::KeypadModifier) != 0;
  const bool alt_held = (event->modifiers() & Qt::AltModifier) != 0;
  const bool ctrl_held = (event->modifiers() & Qt::ControlModifier) != 0;
  // After another key the release of Alt is an ordinary key-up; with Ctrl, Alt is no system key.
  const bool system = (event->key() == Qt::Key_Alt ? down : alt_held) && !ctrl_held;
  const std::uint16_t key = virtual_key_of(event->key(), keypad);
  if (key != 0) from_display::key(form_, key, down, system);
  // Delete makes no character here, and with Ctrl only the control characters are typed,
  // as the window system's own keys make them.
  if (!down || event->key() == Qt::Key_Delete) return;
  // A character the window system's code page lacks is not typed at all.
  for (const char32_t c : event->text().toUcs4()) {
    const std::optional<unsigned char> byte = platform::to_windows_1252(c);
    if (c != 0 && byte && (!ctrl_held || c < 0x20)) from_display::character(form_, static_cast<char>(*byte), system);
  }
}

void FormWindow::keyPressEvent(QKeyEvent* event) { key(event, true); }

void FormWindow::keyReleaseEvent(QKeyEvent* event) { key(event, false); }

void FormWindow::mouse(QMouseEvent* event, bool down, bool double_click) {
  const bool right = event->button() == Qt::RightButton;
  if (event->button() != Qt::LeftButton && !right) return;
  MessageId id = right ? (down ? msg::right_button_down : msg::right_button_up)
                       : (down ? msg::left_button_down : msg::left_button_up);
  if (double_click) id = right ? msg::right_button_down : msg::left_button_double_click;
  from_display::mouse(form_, id, mouse_flags(event->buttons(), event->modifiers()), point_of(event->position()));
}

// The second press of a double click comes again as the double click itself.
void FormWindow::mousePressEvent(QMouseEvent* event) {
  if (!event->flags().testFlag(Qt::MouseEventCreatedDoubleClick)) mouse(event, true, false);
}

void FormWindow::mouseReleaseEvent(QMouseEvent* event) { mouse(event, false, false); }

void FormWindow::mouseDoubleClickEvent(QMouseEvent* event) { mouse(event, true, true); }

void FormWindow::mouseMoveEvent(QMouseEvent* event) {
  from_display::mouse(form_, msg::mouse_move, mouse_flags(event->buttons(), event->modifiers()),
                      point_of(event->position()));
}

void FormWindow::wheelEvent(QWheelEvent* event) {
  if (event->angleDelta().y() != 0) from_display::wheel(form_, event->angleDelta().y(), point_of(event->position()));
}

void FormWindow::moveEvent(QMoveEvent*) { placed(); }

void FormWindow::resizeEvent(QResizeEvent*) { placed(); }

void FormWindow::placed() {
  if (placing || !isVisible()) return;
  // The form's position is its frame's, its size the client area's.
  const QPoint frame = framePosition();
  from_display::placed(form_, {frame.x(), frame.y(), frame.x() + width(), frame.y() + height()});
}

}  // namespace vx::ws::qt
