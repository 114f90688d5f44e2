#include "interface/target_connection.h"

#include <gtest/gtest.h>

#include <functional>

#include "foundation/status_output.h"
#include "interface/byte_protocol.h"
#include "interface/connection_settings.h"
#include "interface/power_dialog_form.h"
#include "interface/target_operations.h"
#include "platform/scripted_dialogs.h"
#include "tests/interface/target_bench.h"

namespace vx {
namespace {

using target_testing::BenchOptions;
using target_testing::Bytes;
using target_testing::Medium;
using target_testing::TargetBench;

constexpr std::uint16_t reset_target_pc = 0xF000;

// A part with code behind its reset vector.
void give_reset_vector(TargetBench& bench) {
  bench.mcu.poke(0xFFFE, reset_target_pc >> 8);
  bench.mcu.poke(0xFFFF, reset_target_pc & 0xFF);
  // BRA * at the reset address: the part runs but goes nowhere.
  bench.mcu.poke(reset_target_pc, 0x20);
  bench.mcu.poke(reset_target_pc + 1, 0xFE);
}

// The user at the power prompt: answers OK and, if told to, cycles the target's power
// (BKGD is held low by the interface meanwhile).
class PowerUser final : public platform::DialogResponder {
 public:
  explicit PowerUser(std::function<void()> cycle) : cycle_(std::move(cycle)) {
    previous_ = platform::install_dialog_responder(this);
  }
  ~PowerUser() override { platform::install_dialog_responder(previous_); }

  platform::DialogResult message_box(const platform::MessageDialog& dialog) override {
    asked.push_back(dialog.text);
    if (cycle_) cycle_();
    return platform::result_ok;
  }
  std::optional<std::string> open_file(const platform::FileOpenDialog&) override { return std::nullopt; }
  platform::DialogResult modal_form(const platform::FormDialog& dialog) override {
    asked.push_back(platform::describe(dialog));
    if (cycle_) cycle_();
    return platform::result_ok;
  }

  std::vector<std::string> asked;

 private:
  std::function<void()> cycle_;
  platform::DialogResponder* previous_;
};

class TargetConnectionTest : public testing::TestWithParam<Medium> {};

INSTANTIATE_TEST_SUITE_P(EveryMedium, TargetConnectionTest, testing::ValuesIn(target_testing::every_medium),
                         [](const auto& param_info) { return target_testing::medium_name(param_info.param); });

TEST_P(TargetConnectionTest, ACleanStartLeavesTheTargetHaltedAtItsResetVector) {
  for (const bool running : {false, true}) {
    SCOPED_TRACE(running ? "running from power-on" : "in background mode");
    TargetBench bench(GetParam());
    give_reset_vector(bench);
    if (running) bench.mcu.reset(false);
    EXPECT_TRUE(FORCE_BACKGROUND_MODE());
    EXPECT_EQ(bench.mcu.state(), sim::RunState::Background);
    EXPECT_EQ(bench.mcu.registers().pc, reset_target_pc);
    EXPECT_NE(bench.mcu.registers().ccr & 0x08, 0) << "interrupts masked";
    EXPECT_TRUE(target_access().security_recheck == false || !target_is_secured());
    // The background reset always ends the connection.
    const Bytes reset = GetParam() == Medium::windriver ? Bytes{7, 24} : Bytes{1};
    EXPECT_EQ(bench.sent(reset).size(), 1u);
    EXPECT_TRUE(check_target_after_command());
    EXPECT_TRUE(bench.pod().violations().empty());
  }
}

TEST_P(TargetConnectionTest, ASelfResetBetweenCommandsIsRecoveredOnceWithTheWarning) {
  TargetBench bench(GetParam());
  give_reset_vector(bench);
  ASSERT_TRUE(FORCE_BACKGROUND_MODE());
  const std::size_t lines = status_output().lines.size();
  EXPECT_TRUE(check_target_after_command());
  EXPECT_EQ(status_output().lines.size(), lines) << "no reset, no warning";
  bench.mcu.reset(false);
  ASSERT_EQ(bench.mcu.state(), sim::RunState::Running);
  EXPECT_TRUE(check_target_after_command());
  EXPECT_EQ(bench.mcu.state(), sim::RunState::Background);
  ASSERT_EQ(status_output().lines.size(), lines + 1);
  EXPECT_EQ(status_output().lines.back(), "Warning a RESET has occured.");
  EXPECT_TRUE(check_target_after_command());
  EXPECT_EQ(status_output().lines.size(), lines + 1);
}

// Both sync generations on every medium; the programmer carries current firmware only.
TEST(TargetConnection, ADeadTargetFailsTheCheckWhetherHaltedOrRunning) {
  struct Case {
    Medium medium;
    const char* firmware;
  };
  const Case cases[] = {{Medium::ftdi, "5.12"},      {Medium::ftdi, "3.25"},     {Medium::windriver, "5.12"},
                        {Medium::windriver, "3.25"}, {Medium::parallel, "5.12"}, {Medium::parallel, "3.25"},
                        {Medium::programmer, "5.12"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(target_testing::medium_name(c.medium) + " " + c.firmware);
    BenchOptions options;
    options.firmware = c.firmware;
    TargetBench bench(c.medium, options);
    give_reset_vector(bench);
    ASSERT_TRUE(FORCE_BACKGROUND_MODE());
    ASSERT_TRUE(check_target_after_command());
    bench.pod().set_target_dead(true);
    EXPECT_FALSE(check_target_after_command()) << "halted";
    bench.pod().set_target_dead(false);
    bench.mcu.reset(false);
    bench.pod().set_target_dead(true);
    EXPECT_FALSE(check_target_after_command()) << "running";
  }
}

TEST(TargetConnection, ATargetThatKeepsResettingFailsTheCheckAfterSixTries) {
  TargetBench bench(Medium::ftdi);
  give_reset_vector(bench);
  ASSERT_TRUE(FORCE_BACKGROUND_MODE());
  for (std::uint32_t i = 0; i < 5000; ++i) bench.pod().inject(sim::PodFault::target_reset, i);
  const std::size_t lines = status_output().lines.size();
  EXPECT_FALSE(check_target_after_command());
  ASSERT_EQ(status_output().lines.size(), lines + 1);
  EXPECT_EQ(status_output().lines.back(), "Warning a RESET has occured.");
}

// Where each recovery step shows on the wire.
const Bytes bkgd_low = {7, 7, 0}, bkgd_released = {7, 7, 255}, board_off = {7, 32}, board_on = {7, 33},
            power_off = {7, 34}, power_on = {7, 35, 0xFF}, voltage = {7, 2};

std::vector<std::string> recovery_steps(const TargetBench& bench) {
  const std::vector<std::pair<Bytes, std::string>> names = {
      {bkgd_low, "BKGD low"},   {bkgd_released, "BKGD released"}, {board_off, "board off"}, {board_on, "board on"},
      {power_off, "power off"}, {power_on, "power on"},           {voltage, "voltage"}};
  std::vector<std::string> steps;
  for (const Bytes& command : bench.sent()) {
    for (const auto& [bytes, name] : names) {
      if (command == bytes) steps.push_back(name);
    }
  }
  return steps;
}

struct LadderCase {
  const char* name;
  Medium medium;
  std::string windriver_line;
  bool board_powers_target;
  bool relays;
  bool user_cycles_power;
  bool connected;
  std::vector<std::string> steps;
  std::size_t prompts;
};

TEST(TargetConnection, AStuckTargetWalksTheRecoveryStepsInOrder) {
  const std::string plain = "VLX,USB-QX-12 : USB Quorvex,QX0009,,four,five,six,seven";
  const std::string ref_mini = "VLX,USB-QX-12 MINI REF : USB Quorvex,QX0009,,four,five,six,seven";
  const std::vector<std::string> board_cycle = {"BKGD low", "board off", "board on", "BKGD released"};
  const std::vector<std::string> relay_cycle = {"BKGD low", "power off", "power on", "BKGD released"};
  const std::vector<std::string> prompt = {"voltage", "BKGD low", "BKGD released"};
  // The reset line read after the background reset, then the steps.
  auto join = [](std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all = {"voltage"};
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  // A mini interface's reset switches the supply on first (with relays in use).
  auto after_supply_on = [](std::vector<std::string> steps) {
    steps.insert(steps.begin(), {"BKGD low", "power on", "BKGD released"});
    return steps;
  };
  const LadderCase cases[] = {
      {"the board's supply", Medium::windriver, ref_mini, true, true, false, true, after_supply_on(join({board_cycle})),
       0},
      {"the relays after the board", Medium::windriver, ref_mini, false, true, false, true,
       after_supply_on(join({board_cycle, relay_cycle})), 0},
      {"the user after everything", Medium::windriver, ref_mini, false, false, true, true, join({board_cycle, prompt}),
       1},
      {"the user on a plain interface", Medium::ftdi, plain, false, true, true, true, join({prompt}), 1},
      {"nothing helps", Medium::windriver, plain, false, true, false, false, join({prompt}), 1},
  };
  for (const LadderCase& c : cases) {
    SCOPED_TRACE(c.name);
    BenchOptions options;
    options.windriver_line = c.windriver_line;
    TargetBench bench(c.medium, options);
    give_reset_vector(bench);
    // Its application has the BKGD pin, and the interface's reset line does not reach it.
    bench.mcu.reset(false);
    bench.pod().set_bkgd_blocked(true);
    bench.pod().set_reset_wired(false);
    bench.pod().set_board_powers_target(c.board_powers_target);
    connection_settings().power_relays_in_use = c.relays;
    PowerUser user(c.user_cycles_power ? std::function<void()>([&] {
      ASSERT_TRUE(bench.pod().bkgd_low());
      bench.mcu.power_off();
      bench.mcu.power_on(true);
      bench.pod().set_bkgd_blocked(false);
    })
                                       : std::function<void()>());
    bench.forget_sent();
    EXPECT_EQ(FORCE_BACKGROUND_MODE(), c.connected);
    std::vector<std::string> steps = recovery_steps(bench);
    // Once connected, later checks read the reset line again; only the steps up to the connection count.
    steps.resize(std::min(steps.size(), c.steps.size()));
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(user.asked.size(), c.prompts);
    EXPECT_EQ(bench.mcu.state() == sim::RunState::Background, c.connected);
  }
}

TEST(TargetConnection, ThePowerPromptShowsOnItsFormOrAsAMessage) {
  const std::string cycle_text =
      "The target MCU is not responding. Please turn MCU power off (Under 0.1v), turn MCU power on, and then "
      "click OK. This will attempt to enter debug mode through a power on reset sequence (BKGD currently is "
      "driven low).";
  reset_target_connection();
  {
    platform::ScriptedResponder responder;
    platform::DialogResponder* previous = platform::install_dialog_responder(&responder);
    show_power_dialog(PowerPrompt::power_cycle);
    platform::install_dialog_responder(previous);
    ASSERT_EQ(responder.log().size(), 1u);
    EXPECT_EQ(responder.log()[0].type, platform::DialogRecord::Type::message);
    EXPECT_EQ(responder.log()[0].text, cycle_text);
  }
  struct Case {
    PowerPrompt mode;
    const char* caption;
    std::string label;
    int picture;
  };
  const Case cases[] = {
      {PowerPrompt::power_down, "Power Down Dialog",
       "Turn MCU power off (Under 0.1v) and Click OK. (Do NOT turn it back on yet.)", 1},
      {PowerPrompt::power_up, "Power Up Dialog", "Turn MCU power on and Click OK.", 2},
      {PowerPrompt::power_cycle, "Power Cycle Dialog", cycle_text, 3},
  };
  Tbdcpowerdialogform form;
  target_connection().power_dialog = &form;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    platform::ScriptedResponder responder;
    responder.answer_form(platform::result_ok);
    platform::DialogResponder* previous = platform::install_dialog_responder(&responder);
    show_power_dialog(c.mode);
    platform::install_dialog_responder(previous);
    EXPECT_EQ(form.caption(), c.caption);
    EXPECT_EQ(form.Label1().caption(), c.label);
    for (int number = 1; number <= 3; ++number) EXPECT_EQ(form.Picture(number).visible(), number == c.picture);
    ASSERT_EQ(responder.log().size(), 1u);
    EXPECT_EQ(responder.log()[0].type, platform::DialogRecord::Type::form);
    EXPECT_EQ(responder.log()[0].text, std::string(c.caption) + ": " + c.label);
    EXPECT_EQ(form.modal_result(), 1);
  }
  reset_target_connection();
}

TEST(TargetConnection, TheSyncCheckWhileStoppedReportsALostLinkWithoutHalting) {
  TargetBench bench(Medium::ftdi);
  EXPECT_TRUE(check_target_sync_while_stopped());
  bench.mcu.poke(0x0100, 0);
  write_breakpoint(0x4321);
  bench.pod().inject(sim::PodFault::no_ack, 2);
  EXPECT_FALSE(check_target_sync_while_stopped());
  EXPECT_TRUE(byte_protocol().halt_on_failure);
}

TEST(TargetConnection, PowerOffAtExitOnlyWhereTheInterfaceSwitchesPower) {
  struct Case {
    const char* name;
    std::string line;
    bool relays, off_on_exit, port_open;
    bool powered_down;
  };
  const std::string mini = "VLX,USB-QX-12 MINI : USB Quorvex,QX0009,,four,five,six,seven";
  const std::string plain = "VLX,USB-QX-12 : USB Quorvex,QX0009,,four,five,six,seven";
  const Case cases[] = {
      {"mini interface", mini, true, true, true, true},       {"no relays", mini, false, true, true, false},
      {"not asked for", mini, true, false, true, false},      {"no port open", mini, true, true, false, false},
      {"no power switching", plain, true, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BenchOptions options;
    options.windriver_line = c.line;
    TargetBench bench(Medium::windriver, options);
    connection_settings().power_relays_in_use = c.relays;
    connection_settings().power_off_on_exit = c.off_on_exit;
    port_state().current_port = c.port_open ? 21 : 0;
    power_off_on_exit();
    EXPECT_EQ(bench.sent(power_off).size(), c.powered_down ? 1u : 0u);
    EXPECT_EQ(bench.mcu.powered(), !c.powered_down);
  }
}

TEST(TargetConnection, StartingOnAPortConnectsAndChecks) {
  TargetBench bench(Medium::parallel);
  give_reset_vector(bench);
  bench.mcu.reset(false);
  start_target_on_port();
  EXPECT_EQ(bench.mcu.state(), sim::RunState::Background);
  EXPECT_EQ(bench.mcu.registers().pc, reset_target_pc);
}

}  // namespace
}  // namespace vx
