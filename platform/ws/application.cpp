#include "platform/ws/application.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/ws/dispatch.h"
#include "platform/ws/display.h"
#include "platform/ws/display_backend.h"
#include "platform/ws/display_server.h"
#include "platform/ws/form.h"
#include "platform/ws/messages.h"
#include "platform/ws/window.h"

namespace vx::ws {
namespace {

using detail::deliver;
using detail::dispatch_taken;
using detail::next_timer_due;
using detail::QueuedInput;
using detail::route_input;

// How often a thread waiting for its sent message looks for the answer.
constexpr std::uint64_t answer_poll_us = 1'000;

struct SentMessage {
  enum class Stage { queued, running, answered, failed };
  Message message;
  Stage stage = Stage::queued;
  LResult result = 0;
};

struct ApplicationState {
  ApplicationState() : wake_fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), main_thread(std::this_thread::get_id()) {}

  // Guards the three queues and the stage of every sent message.
  std::mutex mutex;
  std::deque<Message> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::deque<QueuedInput> input;
  std::atomic<bool> terminated{false};
  const int wake_fd;
  std::atomic<std::thread::id> main_thread;

  // Main thread only.
  MessageHook hook;
  ExceptionHandler exception_handler;
  WindowHandle main_form = no_window;
  bool show_main_form = true;
  std::map<int, std::function<void()>> watched;
  std::vector<std::function<void()>> next_pass;
  int headless = -1;  // -1: not decided yet
};

ApplicationState& state() {
  static ApplicationState instance;
  return instance;
}

bool on_main_thread() { return std::this_thread::get_id() == state().main_thread; }

std::uint64_t now_us() { return platform::clock().monotonic_microseconds(); }

void wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(state().wake_fd, &one, sizeof one);
}

void drain_wake() {
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t got = read(state().wake_fd, &count, sizeof count);
}

bool take_sent() {
  ApplicationState& s = state();
  std::shared_ptr<SentMessage> sent;
  {
    std::lock_guard lock(s.mutex);
    if (s.sent.empty()) return false;
    sent = s.sent.front();
    s.sent.pop_front();
    sent->stage = SentMessage::Stage::running;
  }
  Message message = sent->message;
  const bool exists = is_window(message.window);
  const LResult result = exists ? deliver(message) : 0;
  std::lock_guard lock(s.mutex);
  sent->result = result;
  sent->stage = exists ? SentMessage::Stage::answered : SentMessage::Stage::failed;
  return true;
}

bool take_posted() {
  ApplicationState& s = state();
  Message message;
  {
    std::lock_guard lock(s.mutex);
    if (s.posted.empty()) return false;
    message = s.posted.front();
    s.posted.pop_front();
  }
  dispatch_taken(message);
  return true;
}

bool take_input() {
  ApplicationState& s = state();
  QueuedInput input;
  {
    std::lock_guard lock(s.mutex);
    if (s.input.empty()) return false;
    input = s.input.front();
    s.input.pop_front();
  }
  route_input(input);
  return true;
}

// Runs the handlers of the watched descriptors that are readable now.
void poll_watched() {
  ApplicationState& s = state();
  if (s.watched.empty()) return;
  std::vector<pollfd> fds;
  for (const auto& [fd, handler] : s.watched) fds.push_back({fd, POLLIN, 0});
  if (poll(fds.data(), fds.size(), 0) <= 0) return;
  for (const pollfd& ready : fds) {
    if ((ready.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    const auto found = s.watched.find(ready.fd);
    if (found == s.watched.end()) continue;
    const std::function<void()> handler = found->second;
    handler();
  }
}

bool paint_next() {
  const std::vector<WindowHandle> pending = windows_to_paint();
  if (pending.empty()) return false;
  if (Window* window = find_window(pending.front())) paint_window(*window);
  return true;
}

bool nothing_queued() {
  ApplicationState& s = state();
  std::lock_guard lock(s.mutex);
  return s.posted.empty() && s.sent.empty() && s.input.empty();
}

std::optional<LResult> send_from_other_thread(const Message& message, std::optional<std::uint64_t> timeout_us) {
  ApplicationState& s = state();
  auto sent = std::make_shared<SentMessage>();
  sent->message = message;
  {
    std::lock_guard lock(s.mutex);
    s.sent.push_back(sent);
  }
  wake();
  const std::uint64_t start = now_us();
  while (true) {
    {
      std::lock_guard lock(s.mutex);
      if (sent->stage == SentMessage::Stage::answered) return sent->result;
      if (sent->stage == SentMessage::Stage::failed) return std::nullopt;
    }
    const std::uint64_t waited = now_us() - start;
    if (timeout_us && waited >= *timeout_us) {
      std::lock_guard lock(s.mutex);
      if (sent->stage == SentMessage::Stage::answered) return sent->result;
      // Never delivered late: the sender may have moved on from what the message points at.
      std::erase(s.sent, sent);
      sent->stage = SentMessage::Stage::failed;
      return std::nullopt;
    }
    const std::uint64_t left = timeout_us ? *timeout_us - waited : answer_poll_us;
    platform::clock().sleep_microseconds(std::min(left, answer_poll_us));
  }
}

bool decide_headless() {
  const char* forced = std::getenv("VX_HEADLESS");
  if (forced != nullptr && std::string_view(forced) == "1") return true;
  // Without a backend there is nothing to show a window on.
  if (installed_display_backend() == nullptr) return true;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0') return false;
  return !answering_display_server();
}

}  // namespace

namespace detail {

LResult deliver(Message& message) {
  Window* target = find_window(message.window);
  if (target == nullptr) return 0;
  try {
    return target->window_proc(message);
  } catch (const std::exception& error) {
    handle_exception(error);
    return 0;
  }
}

bool hook_takes(Message& message) {
  ApplicationState& s = state();
  if (!s.hook) return false;
  try {
    return s.hook(message);
  } catch (const std::exception& error) {
    handle_exception(error);
    return true;
  }
}

void dispatch_taken(Message message) {
  if (!hook_takes(message)) deliver(message);
}

// Blocks until there may be work: a post, a watched descriptor or the
// display's input wakes the loop, or the next timer falls due on the
// installed clock.
void wait_for_work() {
  ApplicationState& s = state();
  if (!nothing_queued() || !windows_to_paint().empty() || !s.next_pass.empty() || s.terminated) return;
  std::optional<std::uint64_t> until_timer;
  if (const std::optional<std::uint64_t> next = next_timer_due()) {
    const std::uint64_t now = now_us();
    if (*next <= now) return;
    until_timer = *next - now;
  }
  std::vector<pollfd> fds{{s.wake_fd, POLLIN, 0}};
  for (const auto& [fd, handler] : s.watched) fds.push_back({fd, POLLIN, 0});
  Display* shown = started_display();
  if (shown == nullptr) return platform::clock().wait_readable(fds, until_timer);
  const platform::DescriptorWaiter waiter = [shown](std::span<pollfd> ready, std::optional<std::uint64_t> limit) {
    return shown->wait_for_events(ready, limit);
  };
  const platform::ThreadWaiterScope scope(waiter);
  platform::clock().wait_readable(fds, until_timer);
}

}  // namespace detail

bool post_message(WindowHandle window, MessageId id, WParam wparam, LParam lparam) {
  if (!is_window(window)) return false;
  ApplicationState& s = state();
  {
    std::lock_guard lock(s.mutex);
    s.posted.push_back({window, id, wparam, lparam});
  }
  wake();
  return true;
}

void post_to_top_level_windows(MessageId id, WParam wparam, LParam lparam) {
  for (const Window* window : top_level_windows()) post_message(window->handle(), id, wparam, lparam);
}

LResult send_message(WindowHandle window, MessageId id, WParam wparam, LParam lparam) {
  Message message{window, id, wparam, lparam};
  if (on_main_thread()) return deliver(message);
  return send_from_other_thread(message, std::nullopt).value_or(0);
}

std::optional<LResult> send_message_timeout(WindowHandle window, MessageId id, WParam wparam, LParam lparam,
                                            std::uint32_t timeout_ms) {
  if (!is_window(window)) return std::nullopt;
  Message message{window, id, wparam, lparam};
  if (on_main_thread()) return deliver(message);
  return send_from_other_thread(message, std::uint64_t{timeout_ms} * 1000);
}

void post_input(const Message& message, bool character_of_key) {
  ApplicationState& s = state();
  {
    std::lock_guard lock(s.mutex);
    s.input.push_back({message, character_of_key});
  }
  wake();
}

bool input_pending() {
  ApplicationState& s = state();
  std::lock_guard lock(s.mutex);
  return !s.input.empty();
}

void at_next_pass(std::function<void()> work) { state().next_pass.push_back(std::move(work)); }

namespace {

void run_next_pass_work() {
  std::vector<std::function<void()>> work;
  work.swap(state().next_pass);
  for (const std::function<void()>& item : work) item();
}

}  // namespace

void settle_before_modal() {
  run_next_pass_work();
  while (paint_next()) {
  }
}

void process_messages() {
  ApplicationState& s = state();
  run_next_pass_work();
  detail::FiredTimers fired;
  if (Display* shown = started_display()) shown->process_events();
  poll_watched();
  while (!s.terminated) {
    if (take_sent() || take_posted() || take_input() || paint_next() || detail::fire_due_timer(fired)) continue;
    break;
  }
  drain_wake();
}

void run() {
  ApplicationState& s = state();
  Form* form = main_form();
  if (form != nullptr && s.show_main_form) form->show();
  while (!s.terminated) {
    process_messages();
    detail::wait_for_work();
  }
}

void terminate() {
  state().terminated = true;
  wake();
}

bool terminated() { return state().terminated; }

void wake_message_loop() { wake(); }

void set_message_hook(MessageHook hook) { state().hook = std::move(hook); }

void set_exception_handler(ExceptionHandler handler) { state().exception_handler = std::move(handler); }

void handle_exception(const std::exception& error) {
  const ExceptionHandler& handler = state().exception_handler;
  if (!handler) {
    show_exception(error);
    return;
  }
  try {
    handler(error);
  } catch (const std::exception& raised) {
    show_exception(raised);
  }
}

void show_exception(const std::exception& error) {
  platform::dialog_responder().message_box({error.what(), platform::DialogKind::error, platform::button_ok, 0});
}

void set_main_form(Form* form) { state().main_form = form != nullptr ? form->handle() : no_window; }

Form* main_form() { return dynamic_cast<Form*>(find_window(state().main_form)); }

void set_show_main_form(bool show) { state().show_main_form = show; }

void restore_application() {
  Form* form = main_form();
  if (form != nullptr && form->window_state() == WindowState::minimized) form->set_window_state(WindowState::normal);
}

void watch_descriptor(int fd, std::function<void()> on_ready) { state().watched[fd] = std::move(on_ready); }

void unwatch_descriptor(int fd) { state().watched.erase(fd); }

bool headless() {
  ApplicationState& s = state();
  if (s.headless < 0) s.headless = decide_headless() ? 1 : 0;
  return s.headless == 1;
}

void set_headless(bool headless) { state().headless = headless ? 1 : 0; }

void reset_application() {
  ApplicationState& s = state();
  {
    std::lock_guard lock(s.mutex);
    for (const auto& sent : s.sent) sent->stage = SentMessage::Stage::failed;
    s.sent.clear();
    s.posted.clear();
    s.input.clear();
  }
  detail::reset_timers();
  detail::reset_input_routing();
  s.hook = {};
  s.exception_handler = {};
  s.main_form = no_window;
  s.show_main_form = true;
  s.watched.clear();
  s.next_pass.clear();
  s.headless = -1;
  s.terminated = false;
  s.main_thread = std::this_thread::get_id();
  drain_wake();
}

}  // namespace vx::ws
