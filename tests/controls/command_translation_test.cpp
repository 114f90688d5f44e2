#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controls/command_codes.h"
#include "controls/command_processor.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

namespace vk = ws::vk;
constexpr ws::ShiftState none = ws::shift_none;
constexpr ws::ShiftState shift = ws::shift_shift;
constexpr ws::ShiftState ctrl = ws::shift_ctrl;
constexpr ws::ShiftState alt = ws::shift_alt;

struct Press {
  std::uint16_t key;
  ws::ShiftState shift;
  std::uint16_t command;
};

struct TranslationCase {
  std::string name;
  bool default_active;
  bool wordstar_active;
  bool grid_active;
  std::vector<Press> presses;
};

const std::vector<TranslationCase> translation_cases = {
    {"default: plain, Shift, Ctrl, Ctrl+Shift and Alt rows", true, false, false,
     {{vk::left, none, ccLeft},
      {vk::left, shift, ccExtendLeft},
      {vk::left, ctrl, ccWordLeft},
      {vk::left, ctrl | shift, ccExtWordLeft},
      {vk::back, alt, ccRestore},
      {'C', ctrl, ccCopy},
      {'5', ctrl, ccGotoMarker5},
      {'9', ctrl | shift, ccSetMarker9},
      {vk::up, shift, ccExtendUp}}},
    {"default: keys that are no command", true, false, false,
     {{'A', none, ccNoCommand},
      {vk::left, alt, ccNoCommand},
      {'Q', ctrl, ccNoCommand},
      {vk::shift, shift, ccNoCommand},
      {vk::f1 + 1, none, ccNoCommand}}},
    {"wordstar behind default: default answers first", true, true, false,
     {{'S', ctrl, ccLeft}, {'C', ctrl, ccCopy}, {'Y', ctrl, ccDelLine}}},
    {"wordstar: second key alone or with Ctrl", true, true, false,
     {{'Q', ctrl, ccSequencePending},
      {'S', none, ccHome},
      {'Q', ctrl, ccSequencePending},
      {'S', ctrl, ccHome},
      {'K', ctrl, ccSequencePending},
      {'5', none, ccSetMarker5}}},
    {"wordstar: a shifted second key breaks the sequence", true, true, false,
     {{'Q', ctrl, ccSequencePending},
      {'S', shift, ccSequenceBroken},
      {vk::left, none, ccLeft},
      {'Q', ctrl, ccSequencePending},
      {'S', alt, ccSequenceBroken}}},
    {"wordstar: modifiers in between keep the sequence waiting", true, true, false,
     {{'Q', ctrl, ccSequencePending},
      {vk::shift, shift, ccSequencePending},
      {vk::control, ctrl, ccSequencePending},
      {vk::caps_lock, none, ccSequencePending},
      {'D', none, ccEnd}}},
    {"wordstar: the key after ccCtrlChar passes untranslated", true, true, false,
     {{'P', ctrl, ccCtrlChar},
      {vk::shift, shift, ccNoCommand},
      {vk::left, none, ccNoCommand},
      {vk::left, none, ccLeft}}},
    {"grid alone", false, false, true,
     {{vk::f1 + 1, none, ccTableEdit},
      {vk::up, ctrl, ccTopLeftCell},
      {vk::down, ctrl, ccBotRightCell},
      {vk::left, ctrl, ccPageLeft},
      {'Z', ctrl, ccRestore},
      {vk::home, none, ccHome}}},
    {"no active table", false, false, false, {{vk::left, none, ccNoCommand}}},
};

TEST(CommandTranslation, KeyPressesGiveTheirCommands) {
  for (const TranslationCase& test : translation_cases) {
    TOvcCommandProcessor processor;
    processor.Table(0).SetIsActive(test.default_active);
    processor.Table(1).SetIsActive(test.wordstar_active);
    processor.Table(2).SetIsActive(test.grid_active);
    for (std::size_t n = 0; n < test.presses.size(); ++n) {
      const Press& press = test.presses[n];
      SCOPED_TRACE(test.name + ", press " + std::to_string(n + 1));
      EXPECT_EQ(processor.TranslateKey(press.key, press.shift), press.command);
    }
  }
}

TEST(CommandTranslation, ResetForgetsAHalfTypedSequence) {
  TOvcCommandProcessor processor;
  processor.Table(1).SetIsActive(true);
  ASSERT_EQ(processor.TranslateKey('Q', ctrl), ccSequencePending);
  processor.ResetCommandProcessor();
  EXPECT_EQ(processor.TranslateKey('S', none), ccNoCommand);
}

TEST(CommandTranslation, KeyDownMessagesTakeTheKeyboardsShiftState) {
  TOvcCommandProcessor processor;
  const ws::Message key_c{1, ws::msg::key_down, 'C', 0};
  ws::note_key(vk::control, true);
  EXPECT_EQ(processor.Translate(key_c), ccCopy);
  ws::note_key(vk::shift, true);
  EXPECT_EQ(processor.Translate(key_c), ccNoCommand);
  ws::reset_keyboard();
  EXPECT_EQ(processor.Translate({1, ws::msg::key_down, vk::left, 0}), ccLeft);
}

TEST(CommandTranslation, ARowWithoutCommandLetsItsKeyFallThrough) {
  TOvcCommandProcessor processor;
  processor.Table(2).SetIsActive(true);
  TOvcCommandTable& defaults = processor.Table(0);
  defaults.ReplaceCommand(defaults.IndexOfKeys({vk::left, ss_ctrl, 0, 0, 0}), {vk::left, ss_ctrl, 0, 0, ccNone});
  defaults.InsertCommand(0, {vk::home, 0, 0, 0, ccNone});
  EXPECT_EQ(processor.TranslateKey(vk::left, ctrl), ccPageLeft);
  EXPECT_EQ(processor.TranslateKey(vk::home, none), ccHome);
}

}  // namespace
}  // namespace vx::controls
