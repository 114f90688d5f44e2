#include "programmer/status_window.h"

#include <algorithm>
#include <cstring>

#include "foundation/command_exception.h"
#include "foundation/kstring.h"
#include "foundation/run_state.h"
#include "foundation/settings_file.h"
#include "foundation/status_output.h"
#include "platform/ws/application.h"
#include "platform/ws/shell.h"
#include "programmer/configuration_commands.h"
#include "programmer/main_window.h"
#include "programmer/program_windows.h"
#include "programmer/shutdown.h"
#include "programmer/single_instance.h"
#include "programmer/window_colors.h"

namespace vx::programmer {
namespace {

constexpr std::uint8_t escape_key = 27;
constexpr std::size_t command_box_length = 250;

}  // namespace

Tstatus1::Tstatus1()
    : panel1_(std::make_unique<ws::Panel>(this)),
      edit1_(std::make_unique<ws::Edit>(panel1_.get())),
      panel2_(std::make_unique<ws::Panel>(panel1_.get())) {
  set_caption(" Status Window");
  panel1_->set_align(ws::Align::bottom);
  edit1_->max_length = command_box_length;
  edit1_->hide();
  panel2_->set_bevel_outer(ws::Bevel::lowered);
  // Inside the bevel of the panel that holds it.
  panel2_->set_bounds(2, 2, panel2_->width(), panel1_->height() - 4);
  on_resize = [this](ws::Window&) { FormResize(); };
  popup_.add("&Help...", [this](ws::MenuItem&) { Help1Click(); });
  popup_menu = &popup_;
}

Tstatus1::~Tstatus1() { FormDestroy(); }

void Tstatus1::FormCreate() {
  set_status_text("Ready");
  StatusOutput& output = status_output();
  output.lines.clear();
  output.view = &list_view_;
  output.command_key_press = [this](char& key) { Edit1KeyPress(key); };
  LOAD_CONFIGURATION_COMMANDS();

  if (TMainWin1* main = program_windows().MainWin1.get()) set_parent(&main->ClientArea());

  RunState& run = run_state();
  ShortText directory;
  GET_INI_STRING(run.desktop_file_name, "SETTINGS", "DEFAULT_SOURCE_PATH", run.program_directory, false, directory);
  run.default_directory = directory;

  selection_background = list_background;

  WindowLayout layout;
  layout.left = left();
  layout.width = width();
  layout.top = top();
  layout.height = height();
  layout.state = static_cast<std::int32_t>(window_state());
  layout.visible = visible();
  LOAD_WINDOW_LAYOUT(run.desktop_file_name, "STATUS", layout, false);
  set_bounds(layout.left, layout.top, layout.width, layout.height);
  set_window_state(static_cast<ws::WindowState>(std::clamp(layout.state, 0, 2)));
  register_colours();
  set_visible(layout.visible);

  ws::set_exception_handler([](const std::exception& error) {
    if (std::strcmp(error.what(), CommandException::exiting_application) != 0) ws::show_exception(error);
  });
  edit1_->hide();
  set_status_text_colour(ws::color::navy);
  set_status_text("Running programming script ...");
  panel2_->set_bounds(2, panel2_->top(), panel2_->width(), panel2_->height());
  // The window had its size before this handler could see it.
  FormResize();
}

void Tstatus1::register_colours() {
  auto apply = [this](std::uint16_t identifier, ws::Color foreground, ws::Color background) {
    apply_colour(identifier, foreground, background);
  };
  register_window_color(apply, "Status Window - Dialog Commands", command_colour, command_colour, 0, 0);
  register_window_color(apply, "Status Window - Dialog Responses", response_colour, response_colour, 1, 0);
  register_window_color(apply, "Status Window - Dialog Background", list_background, list_background, 2, 1);
  register_window_color(apply, "Status Window - Dialog Selected", selection_text_colour, selection_background, 3, 2);
  register_window_color(apply, "Status Window - Commandbox Text", edit1_->font().color, edit1_->color(), 4, 2);
  register_window_color(apply, "Status Window - Status Bar", panel2_->font().color, panel2_->color(), 5, 2);
}

void Tstatus1::apply_colour(std::uint16_t identifier, ws::Color foreground, ws::Color background) {
  switch (identifier) {
    case 0:
      command_colour = foreground;
      break;
    case 1:
      response_colour = foreground;
      break;
    case 2:
      list_background = background;
      break;
    case 3:
      selection_text_colour = foreground;
      selection_background = background;
      break;
    case 4: {
      ws::Font font = edit1_->font();
      font.color = foreground;
      edit1_->set_font(font);
      edit1_->set_color(background);
      break;
    }
    case 5: {
      panel2_->set_color(background);
      set_status_text_colour(foreground);
      break;
    }
    default:
      break;
  }
  invalidate();
}

void Tstatus1::set_status_text(const ShortText& text) {
  const ShortText shown = text.empty() || upper_case(trim(text)) == "READY" ? ShortText("Ready") : text;
  panel2_->set_caption(shown.view());
}

void Tstatus1::set_status_text_colour(ws::Color colour) {
  ws::Font font = panel2_->font();
  font.color = colour;
  panel2_->set_font(font);
}

void Tstatus1::Edit1KeyPress(char& key) {
  RunState& run = run_state();
  run.last_key = static_cast<std::uint8_t>(key);
  if (static_cast<std::uint8_t>(key) == escape_key && run.command_running) {
    run.abort_flag = true;
    key = 0;
  }
}

void Tstatus1::FormResize() {
  const int width = client_rect().right - 3 - panel2_->left();
  if (width > 0) panel2_->set_bounds(panel2_->left(), panel2_->top(), width, panel2_->height());
}

void Tstatus1::Help1Click() {
  if (!ws::show_help("Status_Window")) WRITELN_TO_DEBUG("Error opening Help File");
}

void Tstatus1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  StatusOutput& output = status_output();
  output.window_destroyed = true;
  output.output_suppressed = true;
  RunState& run = run_state();
  PUT_INI_STRING(run.desktop_file_name, "SETTINGS", "DEFAULT_SOURCE_PATH", run.default_directory, false);
  if (run.gui_status && run.gui_status->log_recording()) {
    output.log_file.close();
    run.gui_status->set_log_recording(false);
  }
  FREE_CONFIGURATION_COMMANDS();
  run.gui_status.reset();
  shutdown_programmer();
  output.view = nullptr;
  output.command_key_press = nullptr;
  output.lines.clear();
  close_instance_mapping();
}

}  // namespace vx::programmer
