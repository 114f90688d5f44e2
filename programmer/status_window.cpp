#include "programmer/status_window.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "controls/command_codes.h"
#include "foundation/command_exception.h"
#include "foundation/kstring.h"
#include "foundation/run_state.h"
#include "foundation/settings_file.h"
#include "foundation/status_output.h"
#include "platform/ws/application.h"
#include "platform/ws/messages.h"
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
constexpr std::uint16_t command_box_length = 250;
constexpr char command_colour_mark = '\x01';
constexpr std::int32_t stored_row_height = 16;

// The form's key tables: the list leaves Up and Down to the window.
const std::vector<controls::StoredCommandTable> stored_command_tables{
    {"Default", true, {{ws::vk::up, controls::ccNone}, {ws::vk::down, controls::ccNone}}},
    {"WordStar", false, {}},
    {"Grid", false, {}}};

}  // namespace

Tstatus1::Tstatus1()
    : controller_(this),
      listbox1_(std::make_unique<controls::TOvcVirtualListBox>(this)),
      list_view_(*listbox1_, headless_view_),
      panel1_(std::make_unique<ws::Panel>(this)),
      edit1_(std::make_unique<controls::TOvcSimpleField>(panel1_.get())),
      panel2_(std::make_unique<ws::Panel>(panel1_.get())) {
  set_caption(" Status Window");
  // Inside the main window; in normal state it is moved and resized there by its own frame.
  child_frame = true;
  controller_.Name = "OvcController1";
  controller_.EntryCommands().ReadTableList(stored_command_tables);

  controls::TOvcVirtualListBox& box = *listbox1_;
  box.Name = "Listbox1";
  box.set_align(ws::Align::client);
  box.OwnerDraw = true;
  // Stored while loading, so the row height still follows the font.
  box.SetRowHeight(stored_row_height);
  box.set_font(ws::Font{"Courier New", 13, true});
  box.OnGetItem = [this](controls::TOvcCustomVirtualListBox&, std::int32_t index, std::string& text) {
    supply_item(index, text);
  };
  box.OnDrawItem = [this](controls::TOvcCustomVirtualListBox&, std::int32_t index, const ws::Rect& rect,
                          std::string_view text) { draw_item(index, rect, text); };
  box.on_key_press = [this](ws::Window&, char& key) { ListBox1KeyPress(key); };
  box.Loaded();

  panel1_->set_align(ws::Align::bottom);
  controls::TOvcSimpleField& edit = *edit1_;
  edit.Name = "Edit1";
  edit.SetDataType(controls::TSimpleDataType::sftString);
  edit.SetPictureMask('X');
  edit.SetMaxLength(command_box_length);
  edit.on_key_press = [this](ws::Window&, char& key) { Edit1KeyPress(key); };
  edit.hide();
  edit.Loaded();
  panel2_->set_bevel_outer(ws::Bevel::lowered);
  panel2_->set_font(ws::Font{"Times New Roman", 11});
  // Inside the bevel of the panel that holds it.
  panel2_->set_bounds(2, 2, panel2_->width(), panel1_->height() - 4);
  on_resize = [this](ws::Window&) { FormResize(); };
  on_show = [this](ws::Form&) { measure_visible_width(); };
  on_activate = [this](ws::Form&) { FormActivate(); };
  popup_.add("&Help...", [this](ws::MenuItem&) { Help1Click(); });
  popup_menu = &popup_;
  // The list and the panels have no menu of their own: a right click on them shows the window's.
  for (ws::Window* part : {static_cast<ws::Window*>(listbox1_.get()), static_cast<ws::Window*>(panel1_.get()),
                           static_cast<ws::Window*>(panel2_.get())}) {
    part->popup_menu = &popup_;
  }
}

Tstatus1::~Tstatus1() { FormDestroy(); }

void Tstatus1::FormCreate() {
  set_status_text("Ready");
  StatusOutput& output = status_output();
  output.lines.clear();
  // Headless, the lines are only printed as they finish.
  output.view = ws::headless() ? static_cast<StatusListView*>(&headless_view_) : &list_view_;
  output.command_key_press = [this](char& key) { Edit1KeyPress(key); };
  LOAD_CONFIGURATION_COMMANDS();

  if (TMainWin1* main = program_windows().MainWin1.get()) set_parent(&main->ClientArea());

  RunState& run = run_state();
  ShortText directory;
  GET_INI_STRING(run.desktop_file_name, "SETTINGS", "DEFAULT_SOURCE_PATH", run.program_directory, false, directory);
  run.default_directory = directory;

  listbox1_->SelectColor().SetBackColor(listbox1_->color());
  listbox1_->SelectColor().SetTextColor(selection_text_colour);

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
  const ws::Color list_background = listbox1_->color();
  register_window_color(apply, "Status Window - Dialog Background", list_background, list_background, 2, 1);
  register_window_color(apply, "Status Window - Dialog Selected", selection_text_colour,
                        listbox1_->SelectColor().BackColor(), 3, 2);
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
      listbox1_->set_color(background);
      break;
    case 3:
      selection_text_colour = foreground;
      listbox1_->SelectColor().SetTextColor(foreground);
      listbox1_->SelectColor().SetBackColor(background);
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
  listbox1_->invalidate();
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

void Tstatus1::ListBox1KeyPress(char& key) { STATUS_KEY_PRESS(key); }

void Tstatus1::FormActivate() {
  if (listbox1_->can_focus()) listbox1_->set_focus();
}

void Tstatus1::FormResize() {
  const int width = client_rect().right - 3 - panel2_->left();
  if (width > 0) panel2_->set_bounds(panel2_->left(), panel2_->top(), width, panel2_->height());
  measure_visible_width();
}

void Tstatus1::measure_visible_width() {
  const int one = std::max(1, ws::char_width(listbox1_->font(), '1'));
  visible_width_ = (listbox1_->width() - 2) / one - 1;
  listbox1_->invalidate();
}

void Tstatus1::supply_item(std::int32_t index, std::string& text) const {
  const std::deque<std::string>& lines = status_output().lines;
  text = index >= 0 && static_cast<std::size_t>(index) < lines.size() ? lines[static_cast<std::size_t>(index)]
                                                                        : std::string();
  if (visible_width_ > 0 && text.size() < static_cast<std::size_t>(visible_width_)) {
    text.resize(static_cast<std::size_t>(visible_width_), ' ');
  }
}

// The echo of a command holds 0x01: before it the response colour, after it
// the command colour, from the 0x01's own column.
void Tstatus1::draw_item(std::int32_t index, const ws::Rect& rect, std::string_view text) {
  ws::Canvas& canvas = listbox1_->Canvas();
  const bool selected = index == listbox1_->ItemIndex();
  canvas.font.color = selected ? selection_text_colour : response_colour;
  const std::size_t mark = text.find(command_colour_mark);
  if (mark == std::string_view::npos) {
    canvas.text_out(rect.left, rect.top, text);
    return;
  }
  if (static_cast<unsigned char>(text.front()) > 0x03) canvas.text_out(rect.left, rect.top, text.substr(0, mark));
  const int one = ws::char_width(canvas.font, '1');
  const int text_height = canvas.text_extent("Wy").height;
  canvas.font.color = selected ? selection_text_colour : command_colour;
  canvas.text_out(rect.left + static_cast<int>(mark) * one, rect.top + (rect.height() - text_height) / 2,
                  std::string(text.substr(mark + 1)) + " ");
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
