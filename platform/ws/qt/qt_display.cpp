#include "platform/ws/qt/qt_display.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QSocketNotifier>
#include <QTimer>

#include <errno.h>
#include <poll.h>

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/ws/caret.h"
#include "platform/ws/color.h"
#include "platform/ws/qt/qt_form_window.h"
#include "platform/ws/qt/qt_menu.h"
#include "platform/ws/qt/qt_text.h"

namespace vx::ws::qt {
namespace {

QColor to_qcolor(Color value) {
  const Color plain = resolve(value);
  return QColor(static_cast<int>(plain & 0xFF), static_cast<int>((plain >> 8) & 0xFF),
                static_cast<int>((plain >> 16) & 0xFF));
}

// The fonts the windows name, by the metric-compatible fonts Debian ships, with DejaVu behind
// them; any other name by DejaVu.
QStringList families_of(const std::string& name) {
  const QString named = QString::fromStdString(name).toLower();
  if (named == u"times new roman") return {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")};
  if (named == u"courier new") return {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")};
  if (named == u"arial") return {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
  return {fixed_pitch_name(name) ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans")};
}

QRect to_qrect(const Rect& rect) { return QRect(rect.left, rect.top, rect.width(), rect.height()); }

QFont to_qfont(const Font& font) {
  QFont result;
  result.setFamilies(families_of(font.name));
  if (fixed_pitch_name(font.name)) result.setStyleHint(QFont::Monospace);
  result.setPixelSize(std::max(1, font.height));
  result.setHintingPreference(QFont::PreferFullHinting);
  result.setBold(font.bold);
  result.setItalic(font.italic);
  result.setUnderline(font.underline);
  return result;
}

Qt::PenStyle to_qt(PenStyle style) {
  switch (style) {
    case PenStyle::solid: return Qt::SolidLine;
    case PenStyle::dash: return Qt::DashLine;
    case PenStyle::dot: return Qt::DotLine;
    case PenStyle::dash_dot: return Qt::DashDotLine;
    case PenStyle::clear: return Qt::NoPen;
  }
  return Qt::SolidLine;
}

// A font as Qt has it, made and measured once: every status line measures and draws with the same few.
struct MeasuredFont {
  explicit MeasuredFont(const Font& font) : qfont(to_qfont(font)), measure(qfont) {
    metrics.height = measure.height();
    metrics.ascent = measure.ascent();
    metrics.descent = measure.descent();
    metrics.average_width = measure.averageCharWidth();
    metrics.fixed_pitch = QFontInfo(qfont).fixedPitch();
  }

  int width(std::string_view text) {
    // Bounded: the texts of a long run are mostly different lines.
    constexpr std::size_t most_widths = 4096;
    const auto found = widths.find(text);
    if (found != widths.end()) return found->second;
    if (widths.size() >= most_widths) widths.clear();
    const int measured = measure.horizontalAdvance(to_qstring(text));
    widths.emplace(std::string(text), measured);
    return measured;
  }

  QFont qfont;
  QFontMetrics measure;
  FontMetrics metrics;
  std::map<std::string, int, std::less<>> widths;
};

// Keyed by what makes the face; the colour does not.
using FontKey = std::tuple<std::string, int, bool, bool, bool>;
FontKey key_of(const Font& font) { return {font.name, font.height, font.bold, font.italic, font.underline}; }

void draw_text(QPainter& painter, const DrawOp& op, const MeasuredFont& font) {
  if (op.opaque) painter.fillRect(to_qrect(op.rect), to_qcolor(op.background));
  if (op.clipped) painter.setClipRect(to_qrect(op.rect), Qt::IntersectClip);
  painter.setFont(font.qfont);
  painter.setPen(to_qcolor(op.color));
  painter.drawText(op.from.x, op.from.y + font.metrics.ascent, to_qstring(op.text));
}

void draw_line(QPainter& painter, const DrawOp& op) {
  QPen pen(to_qcolor(op.pen.color));
  pen.setWidth(std::max(1, op.pen.width));
  pen.setStyle(to_qt(op.pen.style));
  painter.setPen(pen);
  painter.drawLine(op.from.x, op.from.y, op.to.x, op.to.y);
}

// Focus rectangles and the caret invert what is below them, so drawing
// them twice takes them away again.
void draw_focus_rect(QPainter& painter, const Rect& rect) {
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QPen pen(Qt::white);
  pen.setStyle(Qt::DotLine);
  painter.setPen(pen);
  painter.drawRect(QRect(rect.left, rect.top, rect.width() - 1, rect.height() - 1));
}

void invert(QPainter& painter, const Rect& rect) {
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.fillRect(to_qrect(rect), Qt::white);
}

void scroll(QPainter& painter, QImage& pixels, const Surface& surface, const DrawOp& op) {
  const QRect area = to_qrect(op.rect);
  const QImage moved = pixels.copy(area.translated(surface.origin.x, surface.origin.y));
  painter.setClipRect(area, Qt::IntersectClip);
  painter.drawImage(area.topLeft() + QPoint(op.distance.x, op.distance.y), moved);
}

void draw_picture(QPainter& painter, const Rect& rect, const Picture& picture) {
  const QImage source(picture.rgb.data(), picture.width, picture.height, picture.width * 3, QImage::Format_RGB888);
  painter.drawImage(to_qrect(rect), source);
}

class QtDisplay : public Display {
 public:
  QtDisplay() : application_(argument_count_, arguments_) {
    QCoreApplication::setApplicationName(QString::fromLocal8Bit(program_invocation_short_name));
    QObject::connect(&caret_blink_, &QTimer::timeout, [this] {
      caret_blink_.setInterval(static_cast<int>(caret().blink_time_ms));
      from_display::caret_blinked();
    });
    caret_blink_.start(static_cast<int>(caret().blink_time_ms));
  }

  FontMetrics font_metrics(const Font& font) override { return measured(font).metrics; }

  int text_width(const Font& font, std::string_view text) override { return measured(font).width(text); }

  bool show_form(WindowHandle form, const std::string& caption, const Rect& bounds, WindowHandle owner) override {
    std::unique_ptr<FormWindow>& window = forms_[form];
    const bool made = !window;
    if (made) window = std::make_unique<FormWindow>(form);
    const QSize size(std::max(1, bounds.width()), std::max(1, bounds.height()));
    if (window->pixels.size() != size) {
      QImage resized(size, QImage::Format_RGB32);
      resized.fill(to_qcolor(color::button_face));
      QPainter(&resized).drawImage(0, 0, window->pixels);
      window->pixels = resized;
    }
    window->placing = true;
    window->setTitle(to_qstring(caption));
    // The desktop keeps an owned window above its owner only as a dialog.
    if (const auto found = forms_.find(owner); found != forms_.end() && window->transientParent() != found->second.get()) {
      window->setFlags(Qt::Dialog);
      window->setTransientParent(found->second.get());
    }
    if (window->size() != size) window->resize(size);
    // The position is the frame's, so a window at 0,0 keeps its caption on the screen.
    const QPoint frame(bounds.left, bounds.top);
    if (made || window->framePosition() != frame) window->setFramePosition(frame);
    if (!window->isVisible()) window->show();
    window->placing = false;
    return made;
  }

  bool has_form_window(WindowHandle form) const override { return forms_.contains(form); }

  void raise_form(WindowHandle form) override {
    const auto found = forms_.find(form);
    if (found == forms_.end() || !found->second->isVisible()) return;
    // The offscreen platform has no stacking and says so on every call.
    if (QGuiApplication::platformName() != u"offscreen") found->second->raise();
    found->second->requestActivate();
  }

  void hide_form(WindowHandle form) override {
    if (const auto found = forms_.find(form); found != forms_.end()) found->second->hide();
  }

  void forget_form(WindowHandle form) override { forms_.erase(form); }

  void set_form_state(WindowHandle form, WindowState state) override {
    const auto found = forms_.find(form);
    if (found == forms_.end()) return;
    switch (state) {
      case WindowState::normal: found->second->showNormal(); break;
      case WindowState::minimized: found->second->showMinimized(); break;
      case WindowState::maximized: found->second->showMaximized(); break;
    }
  }

  void process_events() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }

  bool wait_for_events(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) override {
    bool woke = false;
    bool ran_out = false;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
    for (const pollfd& watched : fds) {
      auto& notifier = notifiers.emplace_back(std::make_unique<QSocketNotifier>(watched.fd, QSocketNotifier::Read));
      QObject::connect(notifier.get(), &QSocketNotifier::activated, [&woke] { woke = true; });
    }
    QTimer limit;
    if (microseconds) {
      limit.setSingleShot(true);
      limit.setTimerType(Qt::PreciseTimer);
      QObject::connect(&limit, &QTimer::timeout, [&ran_out] { ran_out = true; });
      const std::uint64_t milliseconds = std::min<std::uint64_t>((*microseconds + 999) / 1000, std::numeric_limits<int>::max());
      limit.start(static_cast<int>(milliseconds));
    }
    // The display's own events (painting, input) are handled on the way;
    // input reaches the queue, whose descriptor then wakes the wait.
    while (!woke && !ran_out) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    ::poll(fds.data(), fds.size(), 0);
    return ran_out && !woke;
  }

  // Placed through the window, so it lies at the point wherever the window manager put the window.
  std::optional<std::size_t> popup_menu(WindowHandle form, Point point,
                                        const std::vector<PopupEntry>& entries) override {
    const auto found = forms_.find(form);
    if (found == forms_.end()) return std::nullopt;
    const QPoint global = found->second->mapToGlobal(QPoint(point.x, point.y));
    return run_popup_menu(entries, {global.x(), global.y()});
  }

  void render(const Surface& surface, const DrawOp& op, const Picture* picture) override {
    const auto found = forms_.find(surface.form);
    if (found == forms_.end()) return;
    QImage& pixels = found->second->pixels;
    QPainter painter(&pixels);
    QRegion region(to_qrect(surface.clip));
    for (const Rect& child : surface.excluded) region -= to_qrect(child);
    painter.setClipRegion(region);
    painter.translate(surface.origin.x, surface.origin.y);
    switch (op.kind) {
      case DrawKind::fill: painter.fillRect(to_qrect(op.rect), to_qcolor(op.color)); break;
      case DrawKind::text: draw_text(painter, op, measured(op.font)); break;
      case DrawKind::line: draw_line(painter, op); break;
      case DrawKind::focus_rect: draw_focus_rect(painter, op.rect); break;
      case DrawKind::scroll: scroll(painter, pixels, surface, op); break;
      case DrawKind::picture:
        if (picture != nullptr && !picture->empty()) draw_picture(painter, op.rect, *picture);
        break;
      case DrawKind::caret: invert(painter, op.rect); break;
      // The canvas renders the operations of the copied off-screen canvas.
      case DrawKind::block_transfer: break;
    }
    found->second->update();
  }

  Color pixel(WindowHandle form, Point point) override {
    const auto found = forms_.find(form);
    if (found == forms_.end() || !found->second->pixels.valid(point.x, point.y)) return color::black;
    const QRgb value = found->second->pixels.pixel(point.x, point.y);
    return rgb(static_cast<std::uint8_t>(qRed(value)), static_cast<std::uint8_t>(qGreen(value)),
               static_cast<std::uint8_t>(qBlue(value)));
  }

  bool save_png(WindowHandle form, const Rect& area, const std::string& path) override {
    const auto found = forms_.find(form);
    return found != forms_.end() &&
           found->second->pixels.copy(to_qrect(area)).save(QString::fromStdString(path), "PNG");
  }

 private:
  MeasuredFont& measured(const Font& font) {
    const FontKey key = key_of(font);
    auto found = fonts_.find(key);
    if (found == fonts_.end()) found = fonts_.emplace(key, std::make_unique<MeasuredFont>(font)).first;
    return *found->second;
  }

  // The program's own name names its windows' class on the desktop.
  static inline int argument_count_ = 1;
  static inline char* arguments_[] = {program_invocation_short_name, nullptr};

  QApplication application_;
  QTimer caret_blink_;
  std::map<WindowHandle, std::unique_ptr<FormWindow>> forms_;
  std::map<FontKey, std::unique_ptr<MeasuredFont>> fonts_;
};

}  // namespace

std::unique_ptr<Display> open_display() { return std::make_unique<QtDisplay>(); }

}  // namespace vx::ws::qt
