#include "fwupdate/update_decision.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/command_exception.h"
#include "interface/firmware_update_link.h"
#include "interface/link_state.h"
#include "interface/usb_routing.h"
#include "platform/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace vx::fwupdate {
namespace {

// The interface as the version reads see it.
struct FakeInterface {
  std::uint16_t running = 0;
  bool link_fails = false;
  std::uint8_t rom_major = 0, rom_minor = 0;
  int running_reads = 0;
};
FakeInterface interface_now;

std::uint16_t fake_running_version() {
  ++interface_now.running_reads;
  if (interface_now.link_fails) link_state().link_status = 0;
  return interface_now.running;
}

void fake_rom_version(std::uint16_t address) {
  EXPECT_EQ(address, 0xC058);
  firmware_update_link().rom_major = interface_now.rom_major;
  firmware_update_link().rom_minor = interface_now.rom_minor;
}

// The update steps: each attempt takes the next outcome (success when none is left).
class FakeSteps final : public UpdateSteps {
 public:
  bool update_cable_firmware() override {
    ++attempts;
    if (during_attempt) during_attempt();
    if (outcomes.empty()) return true;
    const bool outcome = outcomes.front();
    outcomes.pop_front();
    return outcome;
  }
  ShortText last_update_status() const override { return "Erasing Flash ... Failure."; }

  std::deque<bool> outcomes;
  std::function<void()> during_attempt;
  int attempts = 0;
};

class UpdateDecisionTest : public ::testing::Test {
 protected:
  UpdateDecisionTest() : previous_(platform::install_dialog_responder(&script)) { start(EngineBuild::updater); }
  ~UpdateDecisionTest() override {
    platform::install_dialog_responder(previous_);
    reset_firmware_update_link();
    reset_link_state();
    reset_usb_routing();
  }

  void start(EngineBuild build) {
    reset_firmware_update_link();
    reset_link_state();
    reset_usb_routing();
    FirmwareUpdateServices services = firmware_update_link().services;
    services.get_running_firmware_version = fake_running_version;
    services.get_rom_firmware_version = fake_rom_version;
    register_firmware_update_services(services);
    interface_now = {};
    reset_update_decision(build);
    steps = FakeSteps{};
    update_decision().steps = &steps;
  }

  std::string beside(const std::string& name) const { return program.file(name); }

  void place(const std::vector<std::string>& files) const {
    for (const std::string& name : files) std::ofstream(beside(name)) << "S9030000FC\n";
  }

  test::TempDir program;
  platform::ScriptedResponder script;
  FakeSteps steps;

 private:
  platform::DialogResponder* previous_;
};

TEST_F(UpdateDecisionTest, EdgeCases) {
  struct Case {
    const char* what = "";
    std::vector<std::string> files{};
    std::uint8_t kind = usb_link;
    std::uint16_t reported = 512;
    std::optional<std::uint16_t> running{};  // nothing: the link fails during the read
    EngineBuild build = EngineBuild::updater;
    std::string pattern = "usbbdmens.???";
    std::optional<std::string> explicit_file{};
    bool windriver = false;
    std::uint8_t programmer_kind = 0;
    std::deque<bool> outcomes{};
    std::vector<platform::DialogResult> answers{};
    // Expected:
    std::string chosen{};
    std::uint16_t version = 0;
    int attempts = 0;
    bool updated = false;
    bool failed = false;
    std::uint8_t picture = 0;
    std::string update_text{}, original_text{};
  };
  const std::string long_name = "usbbdmens" + std::string(230, 'x') + ".700";
  const Case cases[] = {
      {.what = "equal is not newer", .files = {"usbbdmens.512", "usbbdmens.600"}, .reported = 600, .running = 600,
       .chosen = "usbbdmens.600", .version = 600},
      {.what = "the newest file wins", .files = {"usbbdmens.600", "usbbdmens.512"}, .running = 512,
       .chosen = "usbbdmens.600", .version = 600, .attempts = 1, .updated = true, .update_text = "6.00"},
      {.what = "not a number, or 000", .files = {"usbbdmens.abc", "usbbdmens.000", "usbbdmens.5x2"}, .running = 512},
      {.what = "case ignored, ? one character", .files = {"USBBDMENS.513", "usbbdmens.5120", "usbbdmens.51"},
       .running = 512, .chosen = "USBBDMENS.513", .version = 513, .attempts = 1, .updated = true,
       .update_text = "5.13"},
      {.what = "a tie goes to the first in name order", .files = {"usbbdmens.600", "UsbBdmEns.600"},
       .running = 512, .chosen = "UsbBdmEns.600", .version = 600, .attempts = 1, .updated = true,
       .update_text = "6.00"},
      {.what = "names past 255 characters are skipped", .files = {long_name, "usbbdmens.512"},
       .reported = 400, .running = 400, .pattern = "usbbdmens*.???", .chosen = "usbbdmens.512", .version = 512,
       .attempts = 1, .updated = true, .update_text = "5.12"},
      {.what = "a cable reporting a version it does not run", .files = {"quorvexens.512"}, .kind = cable_link,
       .running = 402, .pattern = "quorvexens.???", .chosen = "quorvexens.512", .version = 512, .attempts = 1,
       .updated = true, .picture = 1, .update_text = "5.12"},
      {.what = "the link fails reading the running version", .files = {"usbbdmens.512"}, .running = std::nullopt,
       .chosen = "usbbdmens.512", .version = 512},
      {.what = "a staged update beats every plain image", .files = {"tamberlyproens.700", "tamberlyproen2.650"},
       .kind = programmer_link, .reported = 600, .chosen = "tamberlyproen2.650", .version = 650, .attempts = 1,
       .updated = true, .picture = 2, .update_text = "6.50"},
      {.what = "a trace interface's picture", .files = {"tamberlyproens.700"}, .kind = programmer_link,
       .reported = 600, .programmer_kind = 1, .chosen = "tamberlyproens.700", .version = 700, .attempts = 1,
       .updated = true, .picture = 4, .update_text = "7.00"},
      {.what = "the programmer's build: one picture for both", .files = {"tamberlyproens.700"},
       .kind = programmer_link, .reported = 600, .build = EngineBuild::programmer, .programmer_kind = 1,
       .chosen = "tamberlyproens.700", .version = 700, .attempts = 1, .updated = true, .picture = 2,
       .update_text = "7.00"},
      {.what = "an explicit file that does not exist", .files = {"usbbdmens.600"}, .running = 512,
       .explicit_file = "fw.s19"},
      {.what = "an explicit file", .files = {"fw.s19"}, .running = 512, .explicit_file = "fw.s19",
       .chosen = "fw.s19", .version = 9999, .attempts = 1, .updated = true, .update_text = "99.99"},
      {.what = "the programmer's build has no explicit file", .files = {"fw.s19", "usbbdmens.600"},
       .running = 512, .build = EngineBuild::programmer, .explicit_file = "fw.s19", .chosen = "usbbdmens.600",
       .version = 600, .attempts = 1, .updated = true, .update_text = "6.00"},
      {.what = "a WinDriver interface shows its original firmware", .files = {"usb20bdmens.560"}, .running = 535,
       .pattern = "usb20bdmens.???", .windriver = true, .chosen = "usb20bdmens.560", .version = 560, .attempts = 1,
       .updated = true, .update_text = "5.60", .original_text = "5.2"},
      {.what = "a retry that works", .files = {"usbbdmens.600"}, .running = 512, .outcomes = {false, true},
       .answers = {platform::result_yes}, .chosen = "usbbdmens.600", .version = 600, .attempts = 2,
       .updated = true, .update_text = "6.00"},
      {.what = "a declined retry", .files = {"usbbdmens.600"}, .running = 512, .outcomes = {false},
       .answers = {platform::result_no}, .chosen = "usbbdmens.600", .version = 600, .attempts = 1,
       .failed = true, .update_text = "6.00"},
      {.what = "no interface class", .files = {"usbbdmens.600"}, .kind = no_update_link, .running = 512},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const test::TempDir fresh;
    start(c.build);
    for (const std::string& name : c.files) std::ofstream(fresh.file(name)) << "S9030000FC\n";
    std::filesystem::create_directory(fresh.path() / "usbbdmens.900");
    UpdateDecision& decision = update_decision();
    firmware_request().update_link_kind = c.kind;
    firmware_request().interface_firmware_version = c.reported;
    decision.windriver_interface = c.windriver;
    decision.programmer_kind = c.programmer_kind;
    if (c.kind == programmer_link) {
      firmware_request().update_search_pattern = firmware_request().ens_search_pattern = fresh.file("tamberlyproens.???");
      firmware_request().en2_search_pattern = fresh.file("tamberlyproen2.???");
    } else {
      firmware_request().update_search_pattern = fresh.file(c.pattern);
    }
    firmware_request().use_explicit_file = c.explicit_file.has_value();
    if (c.explicit_file) firmware_request().explicit_firmware_file = fresh.file(*c.explicit_file);
    interface_now.running = c.running.value_or(0);
    interface_now.link_fails = !c.running;
    interface_now.rom_major = 5;
    interface_now.rom_minor = 2;
    steps.outcomes = c.outcomes;
    for (const platform::DialogResult answer : c.answers) script.answer_message(answer);

    EXPECT_EQ(update_firmware_if_newer("5.12"), c.updated);
    EXPECT_EQ(decision.update_file_name, c.chosen.empty() ? std::string() : fresh.file(c.chosen));
    EXPECT_EQ(decision.update_file_version, c.version);
    EXPECT_EQ(steps.attempts, c.attempts);
    EXPECT_EQ(decision.update_done, c.updated);
    EXPECT_EQ(decision.update_failed, c.failed);
    EXPECT_EQ(decision.picture, c.picture);
    if (c.attempts != 0) {
      EXPECT_EQ(decision.current_version_text, "5.12");
      EXPECT_EQ(decision.update_version_text, c.update_text);
      EXPECT_EQ(decision.original_version_text, c.original_text);
    }
    EXPECT_EQ(interface_now.running_reads, c.kind <= usb_link && !c.chosen.empty() ? 1 : 0);
    EXPECT_EQ(script.log().size(), c.answers.size());
    for (const platform::DialogRecord& asked : script.log()) {
      EXPECT_EQ(asked.text, "Erasing Flash ... Failure. Firmware update failed. Retry?");
    }
    EXPECT_TRUE(script.all_answered());
    script = platform::ScriptedResponder();
  }
}

TEST_F(UpdateDecisionTest, AfterADeclinedRetryNoUpdateStartsAgain) {
  place({"usbbdmens.600"});
  UpdateDecision& decision = update_decision();
  firmware_request().update_link_kind = usb_link;
  firmware_request().update_search_pattern = beside("usbbdmens.???");
  firmware_request().interface_firmware_version = 512;
  interface_now.running = 512;
  steps.outcomes = {false};
  EXPECT_FALSE(update_firmware_if_newer("5.12"));
  EXPECT_TRUE(decision.update_failed);
  EXPECT_FALSE(update_firmware_if_newer("5.12"));
  EXPECT_EQ(steps.attempts, 1);
  ASSERT_EQ(script.log().size(), 1u);
  EXPECT_FALSE(script.log()[0].scripted) << "nobody answered: No";
}

TEST_F(UpdateDecisionTest, BlankAndPlaceholderPatternsFindNothing) {
  place({"0.00"});
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(program.path());
  for (const char* pattern : {"", "   ", " 0.00 "}) {
    firmware_request().update_search_pattern = pattern;
    firmware_request().en2_search_pattern = "0.00";
    EXPECT_FALSE(find_update_firmware_file()) << '"' << pattern << '"';
  }
  std::filesystem::current_path(previous);
}

TEST_F(UpdateDecisionTest, TheBusyFlagStopsANestedCheckAndIsReleasedByAnException) {
  place({"usbbdmens.600"});
  FirmwareUpdateLink& link = firmware_update_link();
  FirmwareRequest& request = firmware_request();
  request.update_search_pattern = beside("usbbdmens.???");
  request.interface_firmware_version = 512;
  request.update_link_kind = usb_link;
  interface_now.running = 512;
  int nested = 0;
  steps.during_attempt = [&] {
    EXPECT_TRUE(link.busy);
    FirmwareRequest other = request;
    other.update_search_pattern = beside("other.???");
    offer_firmware_request(other);
    ask_update_firmware_after_reset("5.12");
    ++nested;
  };
  ask_update_firmware_after_reset("5.12");
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(steps.attempts, 1) << "the nested check did nothing";
  EXPECT_TRUE(update_decision().update_done);
  EXPECT_EQ(firmware_request().update_search_pattern, beside("usbbdmens.???"));
  EXPECT_FALSE(link.busy);

  steps.during_attempt = [] { throw CommandException(CommandException::halting_script); };
  EXPECT_THROW(ask_update_firmware_after_reset("5.12"), CommandException);
  EXPECT_FALSE(link.busy);
  EXPECT_FALSE(update_decision().update_done);
}

TEST_F(UpdateDecisionTest, TheProgrammerTakesWhatTheResetLeftInTheRequest) {
  start(EngineBuild::programmer);
  place({"usb20bdmens.560"});
  FirmwareRequest request = firmware_request();
  request.update_search_pattern = beside("usb20bdmens.???");
  request.interface_firmware_version = 535;
  request.update_link_kind = usb_link;
  offer_firmware_request(request);
  usb_routing().usb_driver_family = 1;
  interface_now.running = 535;
  interface_now.rom_major = 5;
  interface_now.rom_minor = 35;
  ask_update_firmware_after_reset("5.35");
  const UpdateDecision& decision = update_decision();
  EXPECT_TRUE(decision.windriver_interface);
  EXPECT_EQ(steps.attempts, 1);
  EXPECT_EQ(decision.original_version_text, "5.35");
  EXPECT_EQ(decision.update_version_text, "5.60");
}

TEST_F(UpdateDecisionTest, WithoutUpdateStepsNothingHappens) {
  place({"usbbdmens.600"});
  update_decision().steps = nullptr;
  firmware_request().update_link_kind = usb_link;
  firmware_request().update_search_pattern = beside("usbbdmens.???");
  EXPECT_FALSE(update_firmware_if_newer("5.12"));
  EXPECT_EQ(interface_now.running_reads, 0);
}

}  // namespace
}  // namespace vx::fwupdate
