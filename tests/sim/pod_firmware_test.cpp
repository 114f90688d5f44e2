#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "sim/cable/sim_parallel_cable.h"
#include "sim/pod/pod.h"
#include "sim/scenario.h"
#include "sim/simulated_world.h"
#include "sim/sim_clock.h"
#include "sim/usb/sim_usb_bus.h"
#include "support/temp_dir.h"
#include "update_speaker.h"

namespace vx::sim::test {
namespace {

PodConfig cable_config() {
  PodConfig config;
  config.layout = FlashLayout::cable;
  config.updated_firmware = "4.07";
  config.original_firmware = "4.00";
  return config;
}

PodConfig usb_config(const std::string& updated = "5.12", const std::string& original = "5.02") {
  PodConfig config;
  config.updated_firmware = updated;
  config.original_firmware = original;
  return config;
}

Bytes memory_bytes(Pod& pod, std::uint32_t first, std::uint32_t count) {
  Bytes bytes;
  for (std::uint32_t i = 0; i < count; ++i) bytes.push_back(pod.memory().byte(static_cast<std::uint16_t>(first + i)));
  return bytes;
}

Bytes update_block(Pod& pod) { return memory_bytes(pod, pod.memory().update_block(), PodMemory::block_size); }
Bytes original_block(Pod& pod) { return memory_bytes(pod, PodMemory::original_block, PodMemory::block_size); }

TEST(PodFirmware, ACableIsUpdatedByItsOriginalFirmwareAndStartsTheUpdateAfterTheResetByte) {
  SimClock clock;
  Pod pod(cable_config(), nullptr, &clock);
  Bytes original = original_block(pod);
  original[PodMemory::protect_address - PodMemory::original_block] = 0x80;
  pod.cable_reset(0x00);
  UpdateSpeaker speaker(pod);
  EXPECT_EQ(speaker.running_version(), 400);
  EXPECT_EQ(speaker.read(0x8058, 4), (Bytes{'4', '.', '0', '7'}));

  const std::uint64_t before = clock.now_nanoseconds();
  EXPECT_EQ(speaker.status(speaker.cable_erase()), 0);
  EXPECT_EQ(clock.now_nanoseconds() - before, 32 * 20'000'000ull) << "32 pages of 512 bytes";
  const Bytes image = firmware_image("4.10");
  EXPECT_EQ(speaker.update_cable(image), "");
  EXPECT_EQ(update_block(pod), programmed_block(image));
  EXPECT_EQ(original_block(pod), original) << "only the block-protect byte changes there";
  EXPECT_EQ(speaker.running_version(), 400);

  pod.cable_reset(0xAA);
  EXPECT_EQ(speaker.running_version(), 410);
  EXPECT_TRUE(pod.violations().empty());
}

TEST(PodFirmware, AUsbInterfaceIsUpdatedInsideFlashFramesAndStartsTheUpdateOnCommand) {
  struct Case {
    std::string original, updated, image;
    std::uint8_t base;
  };
  const Case cases[] = {{"5.02", "5.12", "5.60", 0}, {"6.00", "6.10", "6.20", 128}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    Pod pod(usb_config(c.updated, c.original), nullptr, nullptr);
    const Bytes original = original_block(pod);
    UpdateSpeaker speaker(pod, c.base);
    speaker.boot(false);
    EXPECT_TRUE(pod.take_restart());
    const Bytes image = firmware_image(c.image);
    EXPECT_EQ(speaker.update_usb(image), "");
    EXPECT_EQ(update_block(pod), programmed_block(image));
    EXPECT_EQ(original_block(pod), original);
    // What the reset compares with the low byte at 0x7FFE.
    EXPECT_EQ(speaker.send({7, static_cast<std::uint8_t>(c.base + 21)}),
              std::vector<std::uint16_t>{programmed_block(image).back()});
    speaker.boot(true);
    EXPECT_TRUE(pod.take_restart());
    EXPECT_EQ(speaker.running_version(), std::stoi(c.image.substr(0, 1) + c.image.substr(2)));
    EXPECT_TRUE(pod.violations().empty());
  }
}

TEST(PodFirmware, TheUpdatedFirmwareStartsOnlyWhileItsKeyAndChecksumHold) {
  struct Case {
    const char* name;
    FlashLayout layout;
    bool run_updated;  // at power-up
    bool checksum;
    bool starts;
    std::function<void(Pod&)> start;
    bool updated;
  };
  const auto command = [](Bytes bytes) { return [bytes](Pod& pod) { pod.execute(bytes); }; };
  const auto reset_byte = [](std::uint8_t byte) { return [byte](Pod& pod) { pod.cable_reset(byte); }; };
  const auto nothing = [](Pod&) {};
  const Case cases[] = {
      {"power-up", FlashLayout::usb, true, true, true, nothing, true},
      {"power-up without checksum", FlashLayout::usb, true, false, true, nothing, false},
      {"power-up into the original", FlashLayout::usb, false, true, true, nothing, false},
      {"7,16", FlashLayout::usb, false, true, true, command({7, 16}), true},
      {"7,16 without checksum", FlashLayout::usb, false, false, true, command({7, 16}), false},
      {"7,16 of a firmware that fails at once", FlashLayout::usb, false, true, false, command({7, 16}), false},
      {"7,15", FlashLayout::usb, true, true, true, command({7, 15}), false},
      {"run code", FlashLayout::usb, true, true, true, command({3, 0x1B, 0x30}), false},
      {"cable reset with 0xAA", FlashLayout::cable, false, true, true, reset_byte(0xAA), true},
      {"cable reset with 0xAA without checksum", FlashLayout::cable, false, false, true, reset_byte(0xAA), false},
      {"cable reset with 0x00", FlashLayout::cable, true, true, true, reset_byte(0x00), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PodConfig config = usb_config();
    config.layout = c.layout;
    config.run_updated = c.run_updated;
    config.updated_checksum = c.checksum;
    config.updated_starts = c.starts;
    Pod pod(config, nullptr, nullptr);
    c.start(pod);
    EXPECT_EQ(pod.running_updated(), c.updated);
    EXPECT_EQ(pod.running_version(), c.updated ? (FirmwareVersion{5, 12}) : (FirmwareVersion{5, 2}));
  }
}

TEST(PodFirmware, FlashWorkTheRunningFirmwareDoesNotDoIsAViolation) {
  struct Case {
    FlashLayout layout;
    bool updated_running;
    bool frame_open;
    Bytes command;
    std::string violation;
    Bytes reply;
  };
  const Bytes ack{Pod::ack}, refused{Pod::ack, 0x00, 0x30};
  const Case cases[] = {
      {FlashLayout::usb, true, false, {7, 11, 0, 0x40}, "[7,11,0,64] flash work while the updated firmware runs", ack},
      {FlashLayout::usb, true, false, {7, 0x85}, "[7,133] flash work while the updated firmware runs", ack},
      {FlashLayout::usb, false, false, {7, 11, 0, 0x40}, "[7,11,0,64] USB flash work outside 7,0x85 ... 7,0x86", ack},
      {FlashLayout::usb, false, true, {7, 11, 0, 0x60}, "[7,11,0,96] erase outside the update block", refused},
      {FlashLayout::usb, false, true, {7, 11, 0, 0x3F}, "[7,11,0,63] erase outside the update block", refused},
      {FlashLayout::usb, false, true, {7, 10, 0, 0, 1, 0x0F, 0xC0, 0x00, 0x12},
       "[7,10,0,0,...] flash program outside the update block", refused},
      {FlashLayout::usb, false, true, {7, 10, 0, 0, 2, 0x0F, 0xBF, 0xFF, 0x12, 0x34},
       "[7,10,0,0,...] flash program outside the update block", refused},
      {FlashLayout::usb, false, false, {7, 12, 0x00, 0x40, 0x00, 0x0F, 0xC0, 0x00},
       "[7,12,0,64,...] erase outside the update block", refused},
      {FlashLayout::usb, false, true, {7, 10, 0, 0, 2, 0x0F, 0x80, 0x00, 0x12},
       "[7,10,0,0,...] flash program of 2 bytes with 1", ack},
      {FlashLayout::usb, false, true, {7, 11, 0x40}, "[7,11,64] wrong length for a block erase", ack},
      {FlashLayout::cable, true, false, {7, 11}, "[7,11] flash work while the updated firmware runs", ack},
      {FlashLayout::cable, false, false, {7, 10, 0xC0, 0x00, 0x00, 0x01, 0x12},
       "[7,10,192,0,...] flash program outside the update block", refused},
      {FlashLayout::cable, false, false, {7, 0x85}, "[7,133] unknown interface command", ack},
      {FlashLayout::usb, false, false, {2, 0x7F, 0xFE, 0x00, 0x00}, "[2,127,254,0,...] memory write into flash", ack},
      {FlashLayout::usb, false, false, {2, 0x3F, 0xFF, 0x00, 0x00}, "[2,63,255,0,...] memory write into flash", ack},
      {FlashLayout::cable, false, false, {2, 0x80, 0x00, 0x00, 0x00}, "[2,128,0,0,...] memory write into flash", ack},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.violation);
    PodConfig config = usb_config();
    config.layout = c.layout;
    config.run_updated = c.updated_running;
    Pod pod(config, nullptr, nullptr);
    if (c.frame_open) pod.execute(UpdateSpeaker::flash_frame(true));
    const Bytes before = update_block(pod);
    EXPECT_EQ(pod.execute(c.command), c.reply);
    EXPECT_EQ(pod.violations(), std::vector<std::string>{c.violation});
    EXPECT_EQ(update_block(pod), before);
  }
}

TEST(PodFirmware, FirmwareFiveClearsItsOwnKeyAndChecksumSoThatTheOriginalStartsNext) {
  Pod pod(usb_config(), nullptr, nullptr);
  ASSERT_TRUE(pod.running_updated());
  EXPECT_EQ(pod.execute(Bytes{7, 10, 0x00, 0x00, 0x02, 0x0F, 0xBF, 0xFE, 0x00, 0x00}), (Bytes{Pod::ack, 0, 0}));
  EXPECT_EQ(pod.memory().word(0x7FFE), 0x0000);
  EXPECT_TRUE(pod.violations().empty());
  EXPECT_EQ(pod.execute(Bytes{3, 0x1B, 0x30}), Bytes{});
  EXPECT_TRUE(pod.take_restart());
  pod.execute(Bytes{7, 16});
  EXPECT_FALSE(pod.running_updated());
}

TEST(PodFirmware, FaultsRefuseTheNthFlashCommandOfTheirKindAndTheRetryWorks) {
  struct Case {
    const char* name;
    FlashLayout layout;
    PodFlashFaults faults;
    std::string failed_step;
    bool retry_passes;
  };
  const Case cases[] = {
      {"cable erase", FlashLayout::cable, {.refuse_erase = 1}, "erase", true},
      {"cable row", FlashLayout::cable, {.refuse_row = 5}, "row 4", true},
      {"cable key", FlashLayout::cable, {.refuse_key = 1}, "key", true},
      {"cable checksum", FlashLayout::cable, {.refuse_checksum = 1}, "checksum", true},
      {"cable protect", FlashLayout::cable, {.refuse_protect = 1}, "protect", true},
      {"cable stuck byte", FlashLayout::cable, {.stuck_byte = 0x8123}, "verify", false},
      {"USB block erase", FlashLayout::usb, {.refuse_erase = 3}, "erase", true},
      {"USB range erase", FlashLayout::usb, {.refuse_erase = 33}, "range erase", true},
      {"USB row", FlashLayout::usb, {.refuse_row = 256}, "row 255", true},
      {"USB key", FlashLayout::usb, {.refuse_key = 1}, "key", true},
      {"USB checksum", FlashLayout::usb, {.refuse_checksum = 1}, "checksum", true},
      {"USB stuck byte", FlashLayout::usb, {.stuck_byte = 0xF8123}, "verify", false},
  };
  const Bytes image = firmware_image("5.60");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PodConfig config = usb_config();
    config.layout = c.layout;
    config.run_updated = false;
    config.flash_faults = c.faults;
    Pod pod(config, nullptr, nullptr);
    UpdateSpeaker speaker(pod);
    const auto update = [&] { return c.layout == FlashLayout::cable ? speaker.update_cable(image) : speaker.update_usb(image); };
    EXPECT_EQ(update(), c.failed_step);
    EXPECT_EQ(update(), c.retry_passes ? "" : c.failed_step);
    EXPECT_EQ(update_block(pod) == programmed_block(image), c.retry_passes);
    EXPECT_TRUE(pod.violations().empty());
  }
}

TEST(PodFirmware, APowerCutAnswersItsCommandThenNothingAndTheFlashStaysAsItWas) {
  struct Case {
    const char* name;
    std::uint32_t cut_after;
    std::string failed_step;
  };
  const Case cases[] = {
      {"after the erase", 1, "row 0"},
      {"after row 100", 101, "row 100"},
      {"between key and checksum", 258, "checksum"},
  };
  const Bytes image = firmware_image("4.10");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PodConfig config = cable_config();
    config.flash_faults.power_cut_after = c.cut_after;
    Pod first(config, nullptr, nullptr);
    first.cable_reset(0x00);
    UpdateSpeaker speaker(first);
    EXPECT_EQ(speaker.update_cable(image), c.failed_step);
    EXPECT_FALSE(first.powered());
    EXPECT_TRUE(first.execute(Bytes{7, 14}).empty());

    // The next run finds the flash as the cut left it: the original firmware starts.
    Pod next(cable_config(), nullptr, nullptr);
    ASSERT_TRUE(next.restore_flash_image(first.flash_image()));
    EXPECT_EQ(update_block(next), update_block(first));
    next.cable_reset(0xAA);
    EXPECT_FALSE(next.running_updated());
    next.cable_reset(0x00);
    UpdateSpeaker again(next);
    EXPECT_EQ(again.update_cable(image), "");
    next.cable_reset(0xAA);
    EXPECT_EQ(again.running_version(), 410);
  }
  Pod pod(cable_config(), nullptr, nullptr);
  EXPECT_FALSE(pod.restore_flash_image(Bytes(PodMemory::block_size, 0xFF)));
}

TEST(PodFirmware, ABlockProtectByteAlreadySetIsLeftAlone) {
  PodConfig config = cable_config();
  config.protect_byte = 0x80;
  config.flash_faults.refuse_protect = 1;
  Pod pod(config, nullptr, nullptr);
  pod.cable_reset(0x00);
  UpdateSpeaker speaker(pod);
  EXPECT_EQ(speaker.read(PodMemory::protect_address, 2).front(), 0x80);
  EXPECT_EQ(speaker.update_cable(firmware_image("4.10")), "");
}

TEST(PodFirmware, TheCableLeavingResetStartsTheFirmwareItsDataLinesChoose) {
  for (const std::uint8_t data : {std::uint8_t{0xAA}, std::uint8_t{0x00}}) {
    SCOPED_TRACE(int{data});
    Pod pod(cable_config(), nullptr, nullptr);
    SimParallelCable cable(&pod, nullptr);
    cable.write(platform::PortRegister::control, 7);
    cable.write(platform::PortRegister::control, 3);
    cable.write(platform::PortRegister::data, data);
    cable.write(platform::PortRegister::control, 7);
    EXPECT_EQ(pod.running_updated(), data == 0xAA);
  }
}

TEST(PodFirmware, TheInterfacesFlashIsKeptInTheScenariosStateFile) {
  vx::test::TempDir dir;
  const ScenarioResult loaded = parse_scenario(R"(
[target]
state_file = bench.state
[interface]
family = ftdi
serial = VXT0001
[interface]
family = parallel
protect_byte = 0xF0
)",
                                               dir.path());
  ASSERT_TRUE(loaded.scenario) << loaded.error;
  const Bytes usb_image = firmware_image("5.60"), cable_image = firmware_image("4.10");
  {
    SimulatedWorld world(*loaded.scenario);
    UpdateSpeaker usb(world.pod(0));
    usb.boot(false);
    ASSERT_EQ(usb.update_usb(usb_image), "");
    world.pod(1).cable_reset(0x00);
    ASSERT_EQ(UpdateSpeaker(world.pod(1)).update_cable(cable_image), "");
  }
  SimulatedWorld next(*loaded.scenario);
  ASSERT_EQ(next.state_problem(), "");
  EXPECT_EQ(update_block(next.pod(0)), programmed_block(usb_image));
  EXPECT_EQ(next.pod(0).running_version(), (FirmwareVersion{5, 60}));
  EXPECT_EQ(update_block(next.pod(1)), programmed_block(cable_image));
  EXPECT_EQ(next.pod(1).memory().byte(PodMemory::protect_address), 0x80);
}

class RecordingEvents final : public platform::UsbBusEvents {
 public:
  void arrived(platform::UsbDeviceId device, const platform::UsbDeviceInfo&) override {
    events.push_back("arrived " + std::to_string(device));
  }
  void departed(platform::UsbDeviceId device) override { events.push_back("departed " + std::to_string(device)); }
  std::vector<std::string> events;
};

TEST(PodFirmware, AWinDriverInterfaceLeavesTheBusAndComesBackOnceARestartIsAnswered) {
  struct Case {
    Bytes payload;
    bool answered;
    bool restarts;
  };
  const Case cases[] = {{{7, 14}, true, false}, {{7, 15}, true, true}, {{7, 16}, true, true}, {{3, 0x1B, 0x30}, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.payload[0]} << "," << int{c.payload[1]});
    Pod pod(usb_config(), nullptr, nullptr);
    SimUsbBus bus(nullptr);
    RecordingEvents events;
    const platform::UsbDeviceId id = bus.add({"VLX,USB-QX-12 : USB Quorvex,QXT0001", 0xFFFF, 2, &pod, nullptr});
    ASSERT_TRUE(bus.start(0xFFFF, 0, events));
    events.events.clear();
    Bytes frame(256, 0);
    frame[0] = 0xAA;
    frame[1] = 0x55;
    frame[3] = static_cast<std::uint8_t>(c.payload.size());
    std::copy(c.payload.begin(), c.payload.end(), frame.begin() + 4);
    std::uint32_t transferred = 0;
    ASSERT_EQ(bus.transfer(id, 0x02, false, frame, transferred, 100), 0u);
    if (c.answered) {
      EXPECT_TRUE(events.events.empty()) << "the answer is read first";
      Bytes answer(256);
      ASSERT_EQ(bus.transfer(id, 0x81, true, answer, transferred, 100), 0u);
      EXPECT_EQ(answer[4], Pod::ack);
    }
    EXPECT_EQ(events.events, c.restarts ? (std::vector<std::string>{"departed 1", "arrived 1"}) : std::vector<std::string>{});
    bus.stop();
  }
}

}  // namespace
}  // namespace vx::sim::test
