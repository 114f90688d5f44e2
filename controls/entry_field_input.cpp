#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "controls/control_messages.h"
#include "controls/entry_field.h"
#include "controls/helpers.h"
#include "controls/messages.h"
#include "platform/ws/application.h"
#include "platform/ws/clipboard.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

bool edits_text(std::uint16_t command) {
  switch (command) {
    case ccBack: case ccCtrlChar: case ccCut: case ccDec: case ccDel: case ccDelBol: case ccDelEol:
    case ccDelLine: case ccDelWord: case ccInc: case ccPaste: case ccRestore: case ccChar:
      return true;
    default: return false;
  }
}

}  // namespace

void TOvcBaseEntryField::DispatchCommand(ws::Message& message, std::uint16_t command) {
  if (Loading()) return;
  if (command == ccChar && (message.wparam & 0xFF) == 0) return;
  if (IsReadOnly() && edits_text(command)) {
    Beep();
    return;
  }
  if (command >= 256) {
    NotifyUserCommand(command);
    command = ccSequenceBroken;
  }
  EditCommand(message, command);
}

void TOvcBaseEntryField::CopySelectionToClipboard() {
  if (SelectionLength() == 0) return;
  // The display may be shorter than the text: only what it has is copied.
  const std::string display = GetDisplayText().substr(0, max_edit_length);
  std::string copied;
  for (std::size_t i = sel_start_; i < sel_end_ && i < display.size(); ++i) {
    const bool control = i < text_.size() && static_cast<unsigned char>(text_[i]) < 32 && text_[i] != '\0';
    copied += control ? text_[i] : display[i];
  }
  ws::set_clipboard_text(copied);
}

void TOvcBaseEntryField::KeyCommand(ws::Message& message, std::uint16_t command) {
  if (command == ccUndo) command = ccRestore;
  if (command == ccNone) return;
  if (command == ccIns && (options_ & (efoForceInsert | efoForceOvertype)) != 0) return;
  switch (command) {
    case ccCopy: HandleCopy(message); break;
    case ccCut: HandleCut(message); break;
    case ccPaste: HandlePaste(message); break;
    default: DispatchCommand(message, command); break;
  }
}

void TOvcBaseEntryField::HandleCopy(ws::Message& message) { DispatchCommand(message, ccCopy); }

void TOvcBaseEntryField::HandleCut(ws::Message& message) {
  CopySelectionToClipboard();
  DispatchCommand(message, ccCut);
}

void TOvcBaseEntryField::HandlePaste(ws::Message& message) {
  const std::optional<std::string> text = ws::clipboard_text();
  if (!text) return;
  message.lparam = reinterpret_cast<ws::LParam>(text->c_str());
  DispatchCommand(message, ccPaste);
}

void TOvcBaseEntryField::BuildPopupMenu(ws::PopupMenu& menu) {
  const bool read_only = IsReadOnly();
  const std::size_t selected = SelectionLength();
  const auto add = [&menu](std::uint16_t caption, bool enabled, std::function<void()> action) {
    ws::MenuItem& item = menu.add(std::string(MessageText(caption)), [action](ws::MenuItem&) { action(); });
    item.enabled = enabled;
  };
  const auto send = [this](ws::MessageId id) {
    return [this, id] {
      if (!Loading()) perform(id);
    };
  };
  add(msg::menu_restore, HasState(efsModified), [this] { MenuRestore(); });
  menu.add("-");
  add(msg::menu_cut, selected >= 1 && !read_only, send(ws::msg::cut));
  add(msg::menu_copy, selected > 0, send(ws::msg::copy));
  add(msg::menu_paste, !read_only && ws::clipboard_has_text(), send(ws::msg::paste));
  add(msg::menu_delete, selected >= 1 && !read_only, send(ws::msg::clear));
  menu.add("-");
  add(msg::menu_select_all, selected < text_.size(), [this] { MenuSelectAll(); });
}

void TOvcBaseEntryField::ShowPopupMenu(ws::Point client_point) {
  ws::PopupMenu menu;
  BuildPopupMenu(menu);
  menu.popup(client_to_screen(client_point));
  // The chosen item's action arrives as a message.
  ws::process_messages();
}

ws::LResult TOvcBaseEntryField::window_proc(ws::Message& message) {
  switch (message.id) {
    case ws::msg::key_down: {
      TOvcCustomControlEx::window_proc(message);
      const auto key = static_cast<std::uint16_t>(message.wparam);
      if (key == 0 || key == ws::vk::shift || Loading()) return 0;
      KeyCommand(message, GetController().EntryCommands().Translate(message));
      return 0;
    }
    case ws::msg::sys_key_down: {
      TOvcCustomControlEx::window_proc(message);
      const auto key = static_cast<std::uint16_t>(message.wparam);
      if (key == 0 || key == ws::vk::tab || key == ws::vk::alt || Loading()) return 0;
      KeyCommand(message, GetController().EntryCommands().TranslateKey(key, ws::shift_alt));
      // The character the system makes of Alt and keypad digits is taken.
      if (key >= ws::vk::numpad0 && key <= ws::vk::numpad9) state_ |= efsAcceptChar | efsKeyboardChar;
      return 0;
    }
    case ws::msg::character:
      TOvcCustomControlEx::window_proc(message);
      if (HasState(efsAcceptChar)) DispatchCommand(message, ccChar);
      return 0;
    case ws::msg::sys_character:
      // Alt+Backspace is the restore command, not a dialog character.
      if (message.wparam == '\b') return 0;
      return TOvcCustomControlEx::window_proc(message);
    case ws::msg::copy: DispatchCommand(message, ccCopy); return 0;
    case ws::msg::cut: HandleCut(message); return 0;
    case ws::msg::clear: DispatchCommand(message, ccCut); return 0;
    case ws::msg::paste: HandlePaste(message); return 0;
    case ws::msg::set_text:
      if (Loading()) return 0;
      SetSelection(0, max_edit_length);
      DispatchCommand(message, ccPaste);
      return 1;
    case em::get_sel: {
      const auto start = static_cast<std::uint32_t>(sel_start_);
      const auto end = static_cast<std::uint32_t>(sel_end_);
      if (message.wparam != 0) *reinterpret_cast<std::uint32_t*>(message.wparam) = start;
      if (message.lparam != 0) *reinterpret_cast<std::uint32_t*>(message.lparam) = end;
      return static_cast<ws::LResult>(sel_start_ | (sel_end_ << 16));
    }
    case em::set_sel: {
      const std::uint16_t start = ws::low_word(static_cast<std::uintptr_t>(message.lparam));
      const std::uint16_t end = ws::high_word(static_cast<std::uintptr_t>(message.lparam));
      if (start == 0xFFFF) {
        SetSelection(0, 0);
      } else if (start == 0 && end == 0xFFFF) {
        SetSelection(0, max_edit_length);
      } else if (end >= start) {
        SetSelection(start, end);
      }
      invalidate();
      return 0;
    }
    case em::get_modify: return HasState(efsModified) ? 1 : 0;
    case em::set_modify:
      if (static_cast<std::intptr_t>(message.wparam) > 0) {
        state_ |= efsModified | efsEverModified;
      } else {
        state_ &= ~efsModified;
      }
      return 0;
    case ws::msg::left_button_down:
      TOvcCustomControlEx::window_proc(message);
      if (!focused()) {
        state_ |= efsMouseEntry;
        sel_start_ = sel_end_ = 0;
        if (can_focus()) set_focus();
      }
      if (focused()) DispatchCommand(message, ccMouse);
      return 0;
    case ws::msg::left_button_double_click:
      if (focused()) DispatchCommand(message, ccDblClk);
      return TOvcCustomControlEx::window_proc(message);
    case ws::msg::mouse_move:
      TOvcCustomControlEx::window_proc(message);
      if (has_capture() && ws::key_is_down(PrimaryMouseButton())) DispatchCommand(message, ccMouseMove);
      return 0;
    case ws::msg::right_button_up:
      if (!focused() && can_focus()) set_focus();
      TOvcCustomControlEx::window_proc(message);
      if (popup_menu == nullptr) ShowPopupMenu(ws::point_from_lparam(message.lparam));
      return 0;
    case ws::msg::set_focus: FocusEntered(message); return 0;
    case ws::msg::kill_focus: FocusLeft(message); return 0;
    case ws::msg::erase_background: return 1;
    case ws::msg::size:
      invalidate();
      return TOvcCustomControlEx::window_proc(message);
    case ws::msg::set_font:
      TOvcCustomControlEx::window_proc(message);
      if (!Loading()) {
        AdjustHeight();
        text_top_ = ComputeTextTop();
        if (focused()) PositionCaret(true);
      }
      return 0;
    case ws::msg::get_dialog_code:
      return TOvcCustomControlEx::window_proc(message) | ws::dialog_code::want_arrows | ws::dialog_code::want_chars;
    case MSG_GET_DATA_SIZE: return static_cast<ws::LResult>(DataSize());
    case MSG_REPORT_ERROR: ReportErrorCode(ws::low_word(message.wparam)); return 0;
    default: return TOvcCustomControlEx::window_proc(message);
  }
}

}  // namespace vx::controls
