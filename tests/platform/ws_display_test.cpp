#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ws/buttons.h"
#include "platform/ws/caret.h"
#include "platform/ws/controls.h"
#include "platform/ws/display.h"
#include "platform/ws/display_backend.h"
#include "platform/ws/form.h"
#include "platform/ws/qt/qt_backend.h"
#include "platform/ws/reset.h"
#include "platform/ws/timer.h"
#include "support/display_input.h"
#include "support/screenshot.h"
#include "support/temp_dir.h"
#include "support/typing_field.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using test::TypingField;

constexpr const char* display_variables[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "VX_HEADLESS"};

void clear_display_variables() {
  for (const char* name : display_variables) unsetenv(name);
}

// A server's listening socket; `path` starting with '@' is abstract.
class ListeningSocket {
 public:
  explicit ListeningSocket(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    if (path.front() == '@') address.sun_path[0] = '\0';
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
    listening_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), length) == 0 && ::listen(fd_, 4) == 0;
  }
  ~ListeningSocket() { ::close(fd_); }
  ListeningSocket(const ListeningSocket&) = delete;
  ListeningSocket& operator=(const ListeningSocket&) = delete;
  bool listening() const { return listening_; }

 private:
  int fd_;
  bool listening_ = false;
};

TEST(DisplaySelection, ADisplayIsUsedOnlyWhereAServerAnswers) {
  const test::TempDir dir;
  const std::string wayland_socket = (dir.path() / "wayland-7").string();
  const ListeningSocket x11("@/tmp/.X11-unix/X4711");
  const ListeningSocket wayland(wayland_socket);
  ASSERT_TRUE(x11.listening());
  ASSERT_TRUE(wayland.listening());
  const std::string no_wayland = (dir.path() / "wayland-8").string();
  struct Case {
    std::vector<std::pair<const char*, std::string>> environment;
    bool headless;
  };
  const std::vector<Case> cases{
      {{}, true},
      {{{"DISPLAY", ":4711"}}, false},
      {{{"DISPLAY", "unix:4711.0"}}, false},
      {{{"DISPLAY", ":4712"}}, true},
      {{{"DISPLAY", "no display"}}, true},
      {{{"DISPLAY", ""}}, true},
      {{{"WAYLAND_DISPLAY", wayland_socket}}, false},
      {{{"WAYLAND_DISPLAY", "wayland-7"}, {"XDG_RUNTIME_DIR", dir.path().string()}}, false},
      {{{"WAYLAND_DISPLAY", no_wayland}}, true},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, false},
      {{{"QT_QPA_PLATFORM", "offscreen"}, {"VX_HEADLESS", "1"}}, true},
      {{{"DISPLAY", ":4711"}, {"VX_HEADLESS", "1"}}, true},
  };
  const char* const runtime_dir = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved_runtime_dir = runtime_dir != nullptr ? runtime_dir : "";
  DisplayBackend* const previous = install_display_backend(&qt::backend());
  for (const Case& c : cases) {
    clear_display_variables();
    unsetenv("XDG_RUNTIME_DIR");
    for (const auto& [name, value] : c.environment) setenv(name, value.c_str(), 1);
    reset_application();
    EXPECT_EQ(headless(), c.headless) << (c.environment.empty() ? "nothing set" : c.environment[0].second);
  }
  install_display_backend(previous);
  clear_display_variables();
  if (runtime_dir != nullptr) setenv("XDG_RUNTIME_DIR", saved_runtime_dir.c_str(), 1);
  reset_application();
}

TEST(DisplaySelection, WithoutAnInstalledBackendEveryRunIsHeadless) {
  const ListeningSocket x11("@/tmp/.X11-unix/X4713");
  ASSERT_TRUE(x11.listening());
  const std::vector<std::pair<const char*, const char*>> displays{{"DISPLAY", ":4713"},
                                                                   {"QT_QPA_PLATFORM", "offscreen"}};
  DisplayBackend* const previous = install_display_backend(nullptr);
  for (const auto& [name, value] : displays) {
    clear_display_variables();
    setenv(name, value, 1);
    reset_application();
    EXPECT_TRUE(headless()) << name;
    EXPECT_EQ(display(), nullptr) << name;
  }
  install_display_backend(previous);
  clear_display_variables();
  reset_application();
}

TEST(DisplaySelectionDeathTest, HeadlessRunNeverStartsTheBackend) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        clear_display_variables();
        install_display_backend(&qt::backend());
        reset_window_system();
        Form form;
        Label label(&form, "Ready");
        form.show();
        process_messages();
        const bool measured = text_extent(Font{}, "Ready").width > 0;
        std::exit(measured && display() == nullptr && started_display() == nullptr ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// The backend on Qt's offscreen platform: real pixels, no display server.
class DisplayTest : private test::OffscreenDisplay, public testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    set_headless(false);
    ASSERT_NE(display(), nullptr);
  }

  // A white form, shown and painted.
  void show(Form& form, int width, int height) {
    form.set_bounds(40, 30, width, height);
    form.set_color(color::white);
    form.show();
    process_messages();
  }

  static Color pixel(Window& window, Point point) { return pixel_on_display(window, point).value_or(color::fuchsia); }
};

TEST_F(DisplayTest, CanvasOperationsBecomePixels) {
  Form form;
  show(form, 200, 100);
  Canvas canvas = form.canvas();
  canvas.brush.color = color::red;
  canvas.fill_rect({10, 10, 30, 30});
  canvas.pen.color = color::blue;
  canvas.move_to(40, 20);
  canvas.line_to(80, 20);
  canvas.background_color = color::yellow;
  canvas.ext_text_out(100, 10, text_option::opaque | text_option::clipped, {100, 10, 120, 30}, "WWWWWWWWWW");
  Bitmap bitmap(10, 10);
  bitmap.brush.color = color::green;
  bitmap.fill_rect({0, 0, 10, 10});
  canvas.copy_from({10, 50, 20, 60}, bitmap, {0, 0});
  const Picture picture{2, 2, std::vector<std::uint8_t>(12, 0x00)};
  canvas.draw_picture({40, 50, 50, 60}, picture);
  canvas.draw_caret({60, 50, 62, 60});
  canvas.draw_focus_rect({70, 50, 90, 60});
  canvas.draw_focus_rect({70, 50, 90, 60});

  struct Expected {
    Point at;
    Color color;
    const char* what;
  };
  const Expected table[] = {
      {{15, 15}, color::red, "fill"},         {{35, 15}, color::white, "beside the fill"},
      {{60, 20}, color::blue, "line"},        {{118, 28}, color::yellow, "opaque text background"},
      {{125, 15}, color::white, "clipped"},   {{15, 55}, color::green, "copied bitmap"},
      {{45, 55}, color::black, "picture"},    {{61, 55}, color::black, "caret inverts"},
      {{70, 50}, color::white, "focus rectangle drawn twice is gone"},
  };
  for (const Expected& expected : table) EXPECT_EQ(pixel(form, expected.at), expected.color) << expected.what;
}

TEST_F(DisplayTest, ParentPaintingLeavesItsChildrenAlone) {
  Form form;
  Panel panel(&form);
  panel.set_bounds(20, 20, 40, 40);
  panel.set_color(color::green);
  show(form, 100, 100);
  ASSERT_EQ(pixel(form, {40, 40}), color::green);
  form.invalidate();
  process_messages();
  EXPECT_EQ(pixel(form, {40, 40}), color::green);
  EXPECT_EQ(pixel(panel, {20, 20}), color::green) << "client coordinates of the child";
}

TEST_F(DisplayTest, TextIsAsWideAsTheBackendMeasuresIt) {
  Form form;
  show(form, 400, 60);
  for (const Font& font : {Font{.name = "MS Sans Serif", .height = 11}, Font{.name = "Courier New", .height = 15, .bold = true}}) {
    Canvas canvas = form.canvas();
    canvas.brush.color = color::white;
    canvas.fill_rect(form.client_rect());
    canvas.font = font;
    canvas.font.color = color::black;
    canvas.background_mode = BackgroundMode::transparent;
    // Underscores fill their whole cell, so the ink spans the advance.
    const std::string text = "_Zorvan flash 0x1F80_";
    canvas.text_out(10, 10, text);
    int first = -1;
    int last = -1;
    for (int x = 0; x < form.client_rect().width(); ++x) {
      for (int y = 0; y < form.client_rect().height(); ++y) {
        if (pixel(form, {x, y}) == color::white) continue;
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
    const Size measured = canvas.text_extent(text);
    EXPECT_NE(measured, ws::text_extent(font, "")) << font.name;
    EXPECT_NEAR(first, 10, 1) << font.name;
    // The bold underscore of Liberation Mono reaches a pixel past its cell on either side.
    EXPECT_NEAR(last + 1 - first, measured.width, 2) << font.name;
  }
}

TEST_F(DisplayTest, ScreenshotShowsAFormWithItsControls) {
  Form form;
  form.set_caption("Zorvan settings");
  Label label(&form, "Target voltage:");
  label.set_bounds(12, 14, 100, 16);
  TypingField edit(&form);
  edit.set_bounds(120, 10, 120, 22);
  edit.set_text("3.3 V");
  Button ok(&form, "OK");
  ok.set_bounds(84, 48, 75, 25);
  Button cancel(&form, "Cancel");
  cancel.set_bounds(165, 48, 75, 25);
  form.set_bounds(40, 30, 256, 84);
  form.show();
  const std::string path = test::save_screenshot(form, "display_test_form");
  ASSERT_FALSE(path.empty());
  EXPECT_GT(std::filesystem::file_size(path), 0u);
  EXPECT_FALSE(test::save_screenshot(ok, "display_test_button").empty()) << "a child alone";
}

TEST_F(DisplayTest, TheCaretBlinksAndStartsOnWhenItMoves) {
  Form form;
  show(form, 100, 60);
  create_caret(form, 2, 12);
  set_caret_position(10, 10);
  show_caret(form);
  process_messages();
  const Point inside{10, 15};
  EXPECT_EQ(pixel(form, inside), color::black) << "the white below, inverted";
  from_display::caret_blinked();
  process_messages();
  EXPECT_EQ(pixel(form, inside), color::white);
  set_caret_position(30, 10);
  process_messages();
  EXPECT_EQ(pixel(form, {30, 15}), color::black);
  EXPECT_EQ(pixel(form, inside), color::white);
  from_display::caret_blinked();
  from_display::caret_blinked();
  process_messages();
  EXPECT_EQ(pixel(form, {30, 15}), color::black);
  destroy_caret();
}

// A window that keeps the keys and characters it is given.
class KeyLog : public testing_support::LoggingWindow {
 public:
  explicit KeyLog(Window* parent) : LoggingWindow(parent) {}
  std::vector<std::pair<MessageId, WParam>> keys() const {
    std::vector<std::pair<MessageId, WParam>> result;
    for (const Message& m : log) {
      if (m.id >= msg::key_down && m.id <= msg::sys_character) result.emplace_back(m.id, m.wparam);
    }
    return result;
  }
};

TEST_F(DisplayTest, KeysOfTheDisplayArriveAsTheWindowSystemsKeys) {
  Form form;
  KeyLog target(&form);
  show(form, 120, 60);
  target.set_focus();
  using Keys = std::vector<std::pair<MessageId, WParam>>;
  struct Case {
    const char* key;
    const char* text;
    Keys expected;
  };
  const Case cases[] = {
      {"A", "a", {{msg::key_down, 'A'}, {msg::character, 'a'}, {msg::key_up, 'A'}}},
      {"Shift+A", "A", {{msg::key_down, 'A'}, {msg::character, 'A'}, {msg::key_up, 'A'}}},
      {"Esc", "\x1b", {{msg::key_down, vk::escape}, {msg::character, 27}, {msg::key_up, vk::escape}}},
      {"Return", "\r", {{msg::key_down, vk::enter}, {msg::character, '\r'}, {msg::key_up, vk::enter}}},
      {"F5", "", {{msg::key_down, vk::f1 + 4}, {msg::key_up, vk::f1 + 4}}},
      {"Home", "", {{msg::key_down, vk::home}, {msg::key_up, vk::home}}},
      {";", ";", {{msg::key_down, vk::oem_semicolon}, {msg::character, ';'}, {msg::key_up, vk::oem_semicolon}}},
      {"Num+5", "5", {{msg::key_down, vk::numpad0 + 5}, {msg::character, '5'}, {msg::key_up, vk::numpad0 + 5}}},
      {"Alt+F", "f", {{msg::sys_key_down, 'F'}, {msg::sys_character, 'f'}, {msg::sys_key_up, 'F'}}},
      {"Ctrl+C", "\x03", {{msg::key_down, 'C'}, {msg::character, 3}, {msg::key_up, 'C'}}},
      // With Ctrl only control characters are typed, and Alt makes no system key.
      {"Ctrl+1", "1", {{msg::key_down, '1'}, {msg::key_up, '1'}}},
      {"Ctrl+Alt+X", "\x18", {{msg::key_down, 'X'}, {msg::character, 0x18}, {msg::key_up, 'X'}}},
      // The desktop hands Delete over with the DEL character, which is no typing.
      {"Del", "\x7f", {{msg::key_down, vk::del}, {msg::key_up, vk::del}}},
      // Characters are the window system's Windows-1252 bytes; one it lacks is not typed.
      {"E", "\u20ac", {{msg::key_down, 'E'}, {msg::character, 0x80}, {msg::key_up, 'E'}}},
      {"E", "\u00e9", {{msg::key_down, 'E'}, {msg::character, 0xE9}, {msg::key_up, 'E'}}},
      {"E", "\u4e2d", {{msg::key_down, 'E'}, {msg::key_up, 'E'}}},
  };
  for (const Case& c : cases) {
    target.log.clear();
    ASSERT_TRUE(test::press_key_on_display(form, c.key, c.text));
    process_messages();
    EXPECT_EQ(target.keys(), c.expected) << c.key;
  }

  // The wheel goes to the window under the pointer, with the screen point.
  target.set_bounds(0, 0, 120, 60);
  target.log.clear();
  ASSERT_TRUE(test::wheel_on_display(form, {30, 20}, -120));
  process_messages();
  ASSERT_EQ(target.ids(), std::vector<MessageId>{msg::mouse_wheel});
  EXPECT_EQ(static_cast<std::int16_t>(target.log.front().wparam >> 16), -120);
  EXPECT_EQ(point_from_lparam(target.log.front().lparam), (Point{40 + 30, 30 + 20}));
}

// A form inside the main form holds the focus: keys typed into the main form's window reach it
// and leave the focus there; when the window manager activates the main form again after another
// form had the focus, the focus goes back where it was.
TEST_F(DisplayTest, KeysAndActivationLeaveTheFocusWhereItIs) {
  Form main;
  Button button(&main);
  button.set_bounds(4, 4, 60, 20);
  Form inner(&main);
  inner.set_bounds(0, 30, 200, 60);
  KeyLog list(&inner);
  list.set_bounds(0, 0, 100, 40);
  show(main, 220, 100);
  inner.show();
  list.set_focus();
  for (const char* key : {"Space", "Return", "PgDown", "A"}) {
    ASSERT_TRUE(test::press_key_on_display(main, key));
    process_messages();
    EXPECT_TRUE(list.focused()) << key;
    EXPECT_EQ(active_form(), &inner) << key;
  }
  Form other;
  show(other, 100, 60);
  EXPECT_EQ(active_form(), &other);
  other.hide();
  from_display::activated(main.handle());
  process_messages();
  EXPECT_TRUE(list.focused()) << "the focus came back to the list, not the button";
}

TEST_F(DisplayTest, ClicksOfTheDisplayReachTheWindowUnderThePointer) {
  Form form;
  Panel panel(&form);
  panel.set_bounds(10, 10, 100, 60);
  Button button(&panel, "Go");
  button.set_bounds(20, 20, 60, 24);
  int clicks = 0;
  button.on_click = [&clicks](Window&) { ++clicks; };
  int double_clicks = 0;
  panel.on_double_click = [&double_clicks](Window&) { ++double_clicks; };
  show(form, 200, 120);
  ASSERT_TRUE(test::click_on_display(button, {30, 12}));
  process_messages();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(button.focused());
  ASSERT_TRUE(test::click_on_display(panel, {5, 5}));
  ASSERT_TRUE(test::double_click_on_display(panel, {90, 50}));
  process_messages();
  EXPECT_EQ(clicks, 1) << "beside the button";
  EXPECT_EQ(double_clicks, 1);
}

TEST_F(DisplayTest, TheWindowManagerClosesAndMinimisesThroughTheForm) {
  Form form;
  bool allow = false;
  form.on_close = [&allow](Form&, CloseAction& action) {
    if (!allow) action = CloseAction::none;
  };
  show(form, 100, 60);
  ASSERT_TRUE(test::close_on_display(form));
  process_messages();
  EXPECT_TRUE(form.visible()) << "the form said no";
  allow = true;
  ASSERT_TRUE(test::close_on_display(form));
  process_messages();
  EXPECT_FALSE(form.visible());

  Form other;
  show(other, 100, 60);
  ASSERT_TRUE(test::set_state_on_display(other, WindowState::minimized));
  process_messages();
  EXPECT_EQ(other.window_state(), WindowState::minimized);
  other.set_window_state(WindowState::normal);
  EXPECT_EQ(test::state_on_display(other), WindowState::normal);
}

// With a display the user answers a modal form; nobody answers for them.
TEST_F(DisplayTest, AModalFormWaitsForTheUser) {
  Form form;
  Button ok(&form, "OK");
  ok.modal_result = platform::result_ok;
  ok.set_bounds(10, 10, 75, 25);
  form.set_bounds(40, 30, 120, 60);
  Timer user(10);
  int ticks = 0;
  user.on_timer = [&](Timer& timer) {
    // A few idle waits pass before the user clicks.
    if (++ticks < 3) return;
    timer.set_enabled(false);
    test::click_on_display(ok, {5, 5});
  };
  EXPECT_EQ(form.show_modal(), platform::result_ok);
  EXPECT_EQ(ticks, 3);
}

TEST_F(DisplayTest, TheIdleLoopWakesForAWatchedDescriptor) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  Form form;
  show(form, 50, 50);
  watch_descriptor(ends[0], [] { terminate(); });
  std::thread writer([&ends] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    [[maybe_unused]] const ssize_t written = write(ends[1], "x", 1);
  });
  run();
  writer.join();
  EXPECT_TRUE(terminated());
  unwatch_descriptor(ends[0]);
  close(ends[0]);
  close(ends[1]);
}

}  // namespace
}  // namespace vx::ws
