// Key to command: the tables are asked in order and the first that knows
// the key answers. A first key of a two-key sequence is remembered until the
// next key; after ccCtrlChar the next key passes through untranslated.
#include "controls/command_codes.h"
#include "controls/command_processor.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/messages.h"

namespace vx::controls {

namespace {

std::uint8_t shift_byte(ws::ShiftState shift) {
  std::uint8_t result = 0;
  if ((shift & ws::shift_shift) != 0) result |= ss_shift;
  if ((shift & ws::shift_ctrl) != 0) result |= ss_ctrl;
  if ((shift & ws::shift_alt) != 0) result |= ss_alt;
  return result;
}

bool is_modifier(std::uint8_t key) {
  return key == ws::vk::shift || key == ws::vk::control || key == ws::vk::alt || key == ws::vk::caps_lock ||
         key == ws::vk::num_lock || key == ws::vk::scroll_lock;
}

bool second_shift_matches(std::uint8_t row_shift, std::uint8_t shift) {
  return row_shift == shift || (row_shift == ss_alone_or_ctrl && (shift == 0 || shift == ss_ctrl));
}

}  // namespace

void TOvcCommandProcessor::ResetCommandProcessor() {
  state_ = Sequence::idle;
  first_key_ = 0;
  first_shift_ = 0;
}

std::uint16_t TOvcCommandProcessor::Translate(const ws::Message& key_message) {
  return translate(static_cast<std::uint8_t>(key_message.wparam), shift_byte(ws::keyboard_shift_state()));
}

std::uint16_t TOvcCommandProcessor::TranslateKey(std::uint16_t key, ws::ShiftState shift) {
  return translate(static_cast<std::uint8_t>(key), shift_byte(shift));
}

std::uint16_t TOvcCommandProcessor::translate(std::uint8_t key, std::uint8_t shift) {
  if (is_modifier(key)) return state_ == Sequence::first_key_seen ? ccSequencePending : ccNoCommand;
  if (state_ == Sequence::next_key_literal) {
    state_ = Sequence::idle;
    return ccNoCommand;
  }
  const bool in_sequence = state_ == Sequence::first_key_seen;
  for (const auto& table : tables_) {
    if (!table->IsActive()) continue;
    if (const std::uint16_t command = translate_in(*table, key, shift); command != ccNone) return command;
  }
  state_ = Sequence::idle;
  return in_sequence ? ccSequenceBroken : ccNoCommand;
}

// A row whose command is ccNone is passed over, so its key falls through
// to the rows and tables after it.
std::uint16_t TOvcCommandProcessor::translate_in(const TOvcCommandTable& table, std::uint8_t key,
                                                 std::uint8_t shift) {
  for (int index = 0; index < table.Count(); ++index) {
    const CommandRow& row = table.GetCommand(index);
    if (row.Cmd == ccNone) continue;
    if (state_ == Sequence::first_key_seen) {
      if (row.Key1 != first_key_ || row.SS1 != first_shift_ || row.Key2 != key || !second_shift_matches(row.SS2, shift))
        continue;
    } else {
      if (row.Key1 != key || row.SS1 != shift) continue;
      if (row.Key2 != 0) {
        state_ = Sequence::first_key_seen;
        first_key_ = key;
        first_shift_ = shift;
        return ccSequencePending;
      }
    }
    state_ = row.Cmd == ccCtrlChar ? Sequence::next_key_literal : Sequence::idle;
    return row.Cmd;
  }
  return ccNone;
}

}  // namespace vx::controls
