#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>

#include "platform/ws/types.h"

// The application's message queue and loop, on the main thread: the thread
// that first used the window system (again after reset_window_system).
namespace vx::ws {

class Form;

// Queues a message for the main thread; any thread. False when the window
// does not exist; a message whose window is destroyed before it is taken
// from the queue is dropped.
bool post_message(WindowHandle window, MessageId id, WParam wparam = 0, LParam lparam = 0);
// Posts to every top-level window. Main thread.
void post_to_top_level_windows(MessageId id, WParam wparam = 0, LParam lparam = 0);

// Hands a message to the window's procedure and returns its answer. On the
// main thread at once; from another thread it waits until the main thread
// takes it. An exception of the procedure goes to the application's
// exception handler; 0 is answered for a window that does not exist.
LResult send_message(WindowHandle window, MessageId id, WParam wparam = 0, LParam lparam = 0);
// As send_message, but a caller on another thread waits at most
// `timeout_ms` (on the installed clock). Nothing when the time ran out or
// the window does not exist; a message that ran out of time before the main
// thread took it is never delivered.
std::optional<LResult> send_message_timeout(WindowHandle window, MessageId id, WParam wparam, LParam lparam,
                                            std::uint32_t timeout_ms);

// The input queue, filled by the input injector: keyboard messages go to
// the focused window when they are taken (window no_window), mouse messages
// to their window or the window holding the capture. A character made from
// a key whose key-down a form took for itself (Tab) is dropped.
void post_input(const Message& message, bool character_of_key = false);
// Whether input waits in that queue.
bool input_pending();

// Handles everything that is pending, in the window system's order: sent
// messages, posted messages, input, painting, then due timers (each timer at
// most once per call). Returns when nothing is left or the application is
// terminating.
void process_messages();
// The message loop: shows the main form (unless kept hidden), then handles
// messages, waiting for more, until terminate().
void run();
void terminate();
// Work for the message loop's next pass, done before anything else there; a dialog of the
// display that waits for the user first has it done, and what it leaves painted, before it shows.
void at_next_pass(std::function<void()> work);
void settle_before_modal();
// Wakes the idle loop for work that came from outside its queues (the display's timers).
void wake_message_loop();
bool terminated();

// Sees every message taken from the queue (posted, input, timer) before its
// window; answering true marks it handled.
using MessageHook = std::function<bool(Message& message)>;
void set_message_hook(MessageHook hook);

// Where exceptions raised inside window procedures and events go; by
// default they are shown as an error message box.
using ExceptionHandler = std::function<void(const std::exception& error)>;
void set_exception_handler(ExceptionHandler handler);
void handle_exception(const std::exception& error);
// The standard display of an exception: an error box with its message.
void show_exception(const std::exception& error);

// The main form: run() shows it, and closing it ends the application.
void set_main_form(Form* form);
Form* main_form();
// False keeps the main form hidden when run() starts.
void set_show_main_form(bool show);
// Brings a minimised main form back.
void restore_application();

// Timers post msg::timer (wParam = id) to their window, in the order they
// fall due, measured on the installed clock. Setting an existing timer
// again restarts it.
bool set_timer(WindowHandle window, std::uintptr_t id, std::uint32_t interval_ms);
bool kill_timer(WindowHandle window, std::uintptr_t id);
void kill_window_timers(WindowHandle window);

// Descriptors the loop watches: `on_ready` runs on the main thread
// whenever `fd` is readable.
void watch_descriptor(int fd, std::function<void()> on_ready);
void unwatch_descriptor(int fd);

// Headless: no display backend installed, no display (none of DISPLAY,
// WAYLAND_DISPLAY, QT_QPA_PLATFORM set), or VX_HEADLESS=1, unless set
// otherwise.
bool headless();
void set_headless(bool headless);

// Forgets every queued message, timer, hook and setting; workers waiting
// in send_message_timeout get no answer. The calling thread becomes the
// main thread.
void reset_application();

}  // namespace vx::ws
