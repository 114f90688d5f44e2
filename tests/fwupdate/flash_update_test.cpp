#include "fwupdate/flash_update.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/kstring.h"
#include "fwupdate/fx_logic.h"
#include "fwupdate/update_progress.h"
#include "loaders/debug_context.h"
#include "interface/crc8.h"
#include "interface/port_state.h"
#include "platform/scripted_dialogs.h"
#include "support/simulated_cable.h"
#include "support/temp_dir.h"
#include "tests/fwupdate/programmer_images.h"
#include "tests/interface/protocol_test_support.h"
#include "tools/fwfile/firmware_file.h"

namespace vx::fwupdate {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Bus { cable, ftdi, windriver };

// Code, a gap of 0xFF, the version text at 0x58 and the last two bytes free.
Bytes firmware_image(const std::string& version_text) {
  Bytes image(block_size, 0xFF);
  for (std::size_t i = 0; i < 0x1800; ++i) image[i] = static_cast<std::uint8_t>(i * 13 + 5);
  for (std::size_t i = 0x2400; i < 0x3F00; ++i) image[i] = static_cast<std::uint8_t>(i ^ 0x5A);
  for (std::size_t i = 0; i < version_text.size(); ++i) image[0x58 + i] = static_cast<std::uint8_t>(version_text[i]);
  return image;
}

std::uint8_t downward_checksum(const Bytes& block) {
  std::uint8_t check = 0;
  for (std::size_t i = block.size() - 1; i-- > 0;) crc8_update(&block[i], 1, check);
  return check;
}

// The block as a finished update leaves it.
Bytes programmed(Bytes block) {
  block[block_size - 2] = 0x88;
  block[block_size - 1] = downward_checksum(block);
  return block;
}

std::string hex(std::uint32_t value, int digits) {
  static const char digit[] = "0123456789ABCDEF";
  std::string text;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text += digit[(value >> shift) & 0xF];
  return text;
}

// S-records of 32 bytes for every run of bytes other than 0xFF; S1 below 64 KB, S2 above.
std::string srecords(std::uint32_t start, const Bytes& image) {
  std::string text = "S00600004844521B\r\n";
  for (std::size_t at = 0; at < image.size(); at += 32) {
    Bytes row;
    for (std::size_t i = at; i < at + 32 && i < image.size(); ++i) row.push_back(image[i]);
    if (std::all_of(row.begin(), row.end(), [](std::uint8_t b) { return b == 0xFF; })) continue;
    const std::uint32_t address = start + static_cast<std::uint32_t>(at);
    const bool wide = address + row.size() > 0x10000;
    const int address_bytes = wide ? 3 : 2;
    const std::uint32_t count = static_cast<std::uint32_t>(row.size()) + address_bytes + 1;
    std::uint32_t sum = count;
    for (int b = 0; b < address_bytes; ++b) sum += (address >> (8 * b)) & 0xFF;
    text += (wide ? "S2" : "S1") + hex(count, 2) + hex(address, address_bytes * 2);
    for (std::uint8_t b : row) {
      text += hex(b, 2);
      sum += b;
    }
    text += hex(~sum & 0xFF, 2) + "\r\n";
  }
  return text + "S9030000FC\r\n";
}

// The progress window as the engine drives it.
struct RecordingProgress final : UpdateProgressView {
  void show_update_window() override { ++shown; }
  void show_update_status(const ShortText& text) override { lines.push_back(text.str()); }
  void close_update_window(const ShortText& message, const ShortText& version) override {
    endings.push_back(message.str() + " " + version.str() + " mode " +
                      std::to_string(update_progress().result_mode));
  }
  int shown = 0;
  std::vector<std::string> lines;
  std::vector<std::string> endings;
};

// One interface with its pod on a simulated cable or USB bus, connected as at
// program start, and the engine registered as the programmer registers it.
class FlashUpdateTest : public testing::Test {
 protected:
  FlashUpdateTest() : previous_responder_(platform::install_dialog_responder(&script)) {}
  ~FlashUpdateTest() override {
    install_update_progress_view(nullptr);
    platform::install_dialog_responder(previous_responder_);
    protocol_testing::reset_protocol_units();
    // A test that ends the script leaves the window system usable for the next.
    ws::reset_application();
    run_state().abort_flag = false;
  }

  // `flash`: what the interface's flash held when its power went.
  sim::Pod& connect(Bus bus, sim::PodConfig config, const Bytes& flash = {}) {
    bus_ = bus;
    // The last case's world goes first: its buses restore what they found.
    pod_.reset();
    usb_.reset();
    cable_.reset();
    progress = RecordingProgress{};
    protocol_testing::reset_protocol_units();
    reset_update_decision(EngineBuild::programmer);
    update_decision().steps = &flash_update_engine();
    install_update_progress_view(&progress);
    if (bus == Bus::cable) {
      config.layout = sim::FlashLayout::cable;
      cable_ = std::make_unique<test::SimulatedCable>();
      pod_ = std::make_unique<sim::Pod>(config, &target_.mcu, &cable_->clock);
      cable_->ports.add(cable_port, pod_.get());
      port_state().port_kind = PortState::kind_parallel;
      set_port_addresses(cable_port);
      link_state().interface_class = InterfaceClass::parallel_cable;
    } else {
      usb_ = std::make_unique<test::SimulatedUsb>();
      pod_ = std::make_unique<sim::Pod>(config, &target_.mcu, &usb_->clock);
      if (bus == Bus::ftdi) {
        usb_->ftdi.add({"VX3000001", "VLX USB BDM VX3000001", pod_.get()});
        start_ftdi_binding();
        ft_list_devices();
      } else {
        usb_->usb.add({"VLX,USB-QX-12 : USB Quorvex,QX0009,,four,five,six,seven", sim::scenario_default_vendor, 2,
                       pod_.get()});
        load_usb_driver_dll();
        wdusb_enumerate();
      }
      port_counts().found_usb_interface_count = ft_device_count() + wdusb_interface_count();
      link_state().interface_class = InterfaceClass::usb_interface;
      EXPECT_TRUE(open_usb_port(1));
    }
    if (!flash.empty()) {
      EXPECT_TRUE(pod_->restore_flash_image(flash));
    }
    RESET_CABLE();
    return *pod_;
  }

  // Writes the firmware file for the image and makes it the one to update to.
  void choose_file(const std::string& srecord_text, const std::string& version) {
    std::string error;
    const auto written = tools::write_firmware_file(srecord_text, dir_.path().string(), "quorvexens", version, error);
    ASSERT_TRUE(written) << error;
    UpdateDecision& decision = update_decision();
    decision.update_file_name = *written;
    decision.update_file_version = static_cast<std::uint16_t>(std::stoi(version.substr(0, 1) + version.substr(2)));
    firmware_request().update_link_kind = update_link_kind_of(link_state().interface_class);
    decision.windriver_interface = bus_ == Bus::windriver;
    decision.current_version_text = "4.07";
    decision.update_version_text = version.c_str();
  }
  void choose_image(const Bytes& image, const std::string& version) {
    choose_file(srecords(block_start(), image), version);
  }

  std::uint32_t block_start() const { return bus_ == Bus::cable ? cable_block_start : usb_block_start; }
  // The update block as the interface's memory holds it.
  Bytes block() {
    Bytes flash = pod_->flash_image();
    flash.resize(block_size);
    return flash;
  }
  std::string last_line() const { return progress.lines.empty() ? "" : progress.lines.back(); }

  static constexpr std::uint16_t cable_port = 0x278;
  RecordingProgress progress;
  platform::ScriptedResponder script;
  test::ScopedStatusOutput status_;
  protocol_testing::BackgroundTarget target_;
  std::unique_ptr<test::SimulatedCable> cable_;
  std::unique_ptr<test::SimulatedUsb> usb_;
  std::unique_ptr<sim::Pod> pod_;
  test::TempDir dir_;
  Bus bus_ = Bus::cable;

 private:
  platform::DialogResponder* previous_responder_;
};

TEST_F(FlashUpdateTest, EachBusIsUpdatedToTheFileAndRestartsInTheNewFirmware) {
  struct Case {
    const char* what;
    Bus bus;
    sim::PodConfig config;
    const char* version;
  };
  const Case cases[] = {
      {"cable 4.07", Bus::cable, {.updated_firmware = "4.07", .original_firmware = "4.02"}, "4.10"},
      {"FTDI 5.02", Bus::ftdi, {.updated_firmware = "5.02"}, "5.12"},
      {"WinDriver, original 5.35", Bus::windriver, {.updated_firmware = "5.12", .original_firmware = "5.35"}, "5.60"},
      {"WinDriver, original 5.20", Bus::windriver, {.updated_firmware = "5.12", .original_firmware = "5.20"}, "5.60"},
      {"FS 6.10 over 6.00", Bus::ftdi, {.updated_firmware = "6.10", .original_firmware = "6.00"}, "6.20"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::Pod& pod = connect(c.bus, c.config);
    const Bytes image = firmware_image(c.version);
    choose_image(image, c.version);
    EXPECT_TRUE(flash_update_engine().update_cable_firmware());
    EXPECT_EQ(progress.lines.at(1), "Booting Quorvex to original firmware (please wait) ... ");
    EXPECT_EQ(last_line(), "All steps completed successfully.");
    EXPECT_EQ(progress.endings, (std::vector<std::string>{std::string("Firmware update successful. ") + c.version +
                                                          " mode 1"}));
    EXPECT_EQ(block(), programmed(image));
    const std::string version = c.version;
    EXPECT_EQ(pod.running_version(),
              (sim::FirmwareVersion{static_cast<std::uint8_t>(version[0] - '0'),
                                    static_cast<std::uint8_t>(std::stoi(version.substr(2)))}));
    EXPECT_TRUE(pod.violations().empty()) << pod.violations().front();
    if (c.bus == Bus::cable) {
      EXPECT_EQ(pod.memory().word(0xFF7E) >> 8, 0x80);
    }
    EXPECT_EQ(byte_protocol().command_offset, version[0] > '5' ? 128 : 0);
    EXPECT_EQ(firmware_update_link().reset_data_byte, 0xAA);
    EXPECT_EQ(loaders::get_object_record_list().head(), nullptr) << "the firmware's records are cleared";
  }
}

TEST_F(FlashUpdateTest, ACableLineByLine) {
  connect(Bus::cable, {.updated_firmware = "4.07", .original_firmware = "4.02", .protect_byte = 0x80});
  Bytes image(block_size, 0xFF);
  for (std::size_t i = 0; i < 0x60; ++i) image[i] = static_cast<std::uint8_t>(i);
  for (std::size_t i = 0; i < 4; ++i) image[0x58 + i] = static_cast<std::uint8_t>("4.10"[i]);
  choose_image(image, "4.10");
  EXPECT_TRUE(flash_update_engine().update_cable_firmware());
  const std::vector<std::string>& lines = progress.lines;
  const std::vector<std::string> opening{"",
                                         "Booting Quorvex to original firmware (please wait) ... ",
                                         "Success. Version is 402.",
                                         "Quorvex Cable Rom Versions - 4.07(Updated)/4.02(Original)",
                                         "",
                                         "Loading new Firmware data ...",
                                         "Success.",
                                         "Erasing MCU Firmware \"update\" block ... ",
                                         "Success.",
                                         "Success.",
                                         "Programming MCU flash bytes at Address $8000 : Success."};
  ASSERT_GT(lines.size(), opening.size() + 255);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(opening.size())), opening);
  EXPECT_EQ(lines[opening.size() + 254], "Programming MCU flash bytes at Address $BFC0 : Success.");
  const std::uint8_t check = programmed(image)[block_size - 1];
  const std::vector<std::string> closing{"Programming MCU Flash ... Success.",
                                         "",
                                         "Verifying 96 MCU flash bytes at address $8000 ... ",
                                         "Verifying MCU Flash ... ",
                                         "Success.",
                                         "Programming MCU key in flash ... ",
                                         "Success.",
                                         "Calculating MCU checksum ...",
                                         " ($" + hex(check, 2) + ") ... Success. ",
                                         "Programming MCU checksum to flash ... ",
                                         "Success.",
                                         "Verifying MCU checksum in flash ... ",
                                         "Success.",
                                         "",
                                         "Resetting Quorvex to updated firmware ... ",
                                         "Success.",
                                         "Quorvex Cable Rom Versions - 4.10(Updated)/4.02(Original)",
                                         "Success.",
                                         "",
                                         "",
                                         "All steps completed successfully."};
  EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(closing.size()), lines.end()), closing)
      << "no block-protect lines when the byte already reads 0x80";
}

TEST_F(FlashUpdateTest, AFailedStepEndsTheAttemptOnceWithItsLine) {
  struct Case {
    const char* what;
    Bus bus;
    sim::PodFlashFaults faults{};
    bool updated_starts = true;
    std::string last;
    bool erased = true;
  };
  const Case cases[] = {
      {"cable erase", Bus::cable, {.refuse_erase = 1}, true, "Flash Erase Failed. Result = $0030", false},
      {"cable row 5", Bus::cable, {.refuse_row = 5}, true, "Programming MCU flash bytes at Address $8100 : ERROR!!!"},
      {"cable stuck byte", Bus::cable, {.stuck_byte = 0x8011}, true, "ERROR! at 8011"},
      {"cable key", Bus::cable, {.refuse_key = 1}, true, "Failure."},
      {"cable checksum", Bus::cable, {.refuse_checksum = 1}, true, "Failure."},
      {"cable protect", Bus::cable, {.refuse_protect = 1}, true, "Failure."},
      {"cable firmware does not start", Bus::cable, {}, false, "Failure."},
      {"cable power cut after the erase", Bus::cable, {.power_cut_after = 1}, true,
       "Programming MCU flash bytes at Address $8000 : ERROR!!!"},
      {"USB range erase", Bus::ftdi, {.refuse_erase = 33}, true, "Flash Erase Failed."},
      {"USB row 2", Bus::ftdi, {.refuse_row = 2}, true,
       "Programming MCU flash bytes at Address $000F8040 : ERROR!!!"},
      {"USB stuck byte", Bus::ftdi, {.stuck_byte = 0xF8011}, true, "ERROR! at 000F8011"},
      {"USB key", Bus::windriver, {.refuse_key = 1}, true, "Failure."},
      {"USB checksum", Bus::ftdi, {.refuse_checksum = 1}, true, "Failure."},
      {"USB firmware does not start", Bus::windriver, {}, false, "Failure."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::Pod& pod = connect(c.bus, {.updated_firmware = c.bus == Bus::cable ? "4.07" : "5.02",
                                    .original_firmware = c.bus == Bus::cable ? "4.02" : "5.35",
                                    .updated_starts = c.updated_starts,
                                    .flash_faults = c.faults});
    const Bytes before = block();
    const Bytes image = firmware_image(c.bus == Bus::cable ? "4.10" : "5.12");
    choose_image(image, c.bus == Bus::cable ? "4.10" : "5.12");
    EXPECT_FALSE(flash_update_engine().update_cable_firmware());
    EXPECT_EQ(last_line(), c.last);
    EXPECT_EQ(flash_update_engine().last_update_status(), c.last);
    EXPECT_EQ(progress.endings, std::vector<std::string>{"Firmware update failed. 4.07 mode 2"});
    if (!c.erased) {
      EXPECT_EQ(block(), before);
    }
    EXPECT_FALSE(pod.running_updated()) << "the failure ending leaves the original firmware running";
  }
}

TEST_F(FlashUpdateTest, AfterAPowerCutTheNextConnectionUpdatesAgain) {
  struct Case {
    const char* what;
    Bus bus;
    std::uint32_t cut_after;
  };
  const Case cases[] = {
      {"cable, after the erase", Bus::cable, 1},
      {"cable, after row 100", Bus::cable, 101},
      {"cable, between key and checksum", Bus::cable, 258},
      {"USB, after the erases", Bus::ftdi, 33},
      {"USB, between key and checksum", Bus::ftdi, 290},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const char* version = c.bus == Bus::cable ? "4.10" : "5.12";
    sim::PodConfig config{.updated_firmware = c.bus == Bus::cable ? "4.07" : "5.02", .original_firmware = "4.02"};
    config.flash_faults.power_cut_after = c.cut_after;
    sim::Pod& cut = connect(c.bus, config);
    const Bytes image = firmware_image(version);
    choose_image(image, version);
    EXPECT_FALSE(flash_update_engine().update_cable_firmware());
    EXPECT_FALSE(cut.powered());
    const Bytes flash = cut.flash_image();

    connect(c.bus, {.updated_firmware = "", .original_firmware = "4.02"}, flash);
    choose_image(image, version);
    firmware_request().interface_firmware_version = 402;
    firmware_request().update_search_pattern = dir_.file("quorvexens.???").c_str();
    EXPECT_TRUE(update_firmware_if_newer(interface_state().version_text));
    EXPECT_EQ(block(), programmed(image));
  }
}

TEST_F(FlashUpdateTest, AUsbEraseBlockGetsThreeTriesWithAResetAfterEachFailure) {
  sim::Pod& pod = connect(Bus::ftdi, {.updated_firmware = "5.02", .flash_faults = {.refuse_erase = 4}});
  const Bytes image = firmware_image("5.12");
  choose_image(image, "5.12");
  EXPECT_TRUE(flash_update_engine().update_cable_firmware());
  EXPECT_EQ(block(), programmed(image));
  EXPECT_TRUE(pod.violations().empty()) << pod.violations().front();
}

TEST_F(FlashUpdateTest, ABadFileIsRefusedBeforeTheInterfaceIsTouched) {
  struct Case {
    const char* what;
    Bus bus;
    std::string text;
    std::vector<std::string> lines;
  };
  const std::string invalid = "The Update File contains invalid data.";
  const Case cases[] = {
      {"a cable record ending at 0xC000", Bus::cable, "S1133FF0000102030405060708090A0B0C0D0E0F45\r\n"
                                                      "S113BFF0000102030405060708090A0B0C0D0E0FC5\r\n",
       {"", "Loading new Firmware data ...", "Success.", invalid}},
      {"no byte inside the block", Bus::cable, "S1050000AABB95\r\n", {"", "Loading new Firmware data ...", "Success.", invalid}},
      {"bytes where key and checksum go", Bus::cable, "S105BFFE01023A\r\n",
       {"", "Loading new Firmware data ...", "Success.", invalid}},
      {"a USB record outside the block", Bus::ftdi, "S2060F8000AABB05\r\nS20600400000FFBA\r\n",
       {"", "Loading new Firmware data ...", "Success.", invalid}},
      {"a record past the 24-bit wrap", Bus::ftdi, "S2060FFFFFAABB87\r\n",
       {"", "Loading new Firmware data ...", "Success.", invalid}},
      {"an unreadable file", Bus::ftdi, "S1 this is not a record\r\n",
       {"", "Loading new Firmware data ...", "Cant find Update file."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::Pod& pod = connect(c.bus, {.updated_firmware = c.bus == Bus::cable ? "4.07" : "5.02"});
    const Bytes before = block();
    pod.keep_wire_log(true);
    choose_file("S00600004844521B\r\n" + c.text + "S9030000FC\r\n", "4.10");
    EXPECT_FALSE(flash_update_engine().update_cable_firmware());
    EXPECT_EQ(progress.lines, c.lines);
    EXPECT_EQ(block(), before);
    ASSERT_FALSE(pod.wire_log().empty());
    EXPECT_EQ(pod.wire_log().front().command, (Bytes{4, static_cast<std::uint8_t>(c.bus == Bus::cable ? 0x80 : 0x40), 0x58, 4}))
        << "only the failure ending's reset reached the interface";
  }
}

TEST_F(FlashUpdateTest, TheDecisionRetriesAfterAFailureWhenAskedTo) {
  connect(Bus::cable, {.updated_firmware = "4.07", .original_firmware = "4.02", .flash_faults = {.refuse_key = 1}});
  const Bytes image = firmware_image("4.10");
  choose_image(image, "4.10");
  script.answer_message(platform::result_yes);
  firmware_request().interface_firmware_version = 407;
  firmware_request().update_search_pattern = dir_.file("quorvexens.???").c_str();
  EXPECT_TRUE(update_firmware_if_newer("4.07"));
  EXPECT_TRUE(script.all_answered());
  ASSERT_EQ(script.log().size(), 1u);
  EXPECT_EQ(progress.endings, (std::vector<std::string>{"Firmware update failed. 4.07 mode 2",
                                                        "Firmware update successful. 4.10 mode 1"}));
  EXPECT_EQ(block(), programmed(image));
}

TEST_F(FlashUpdateTest, ALostLinkInsideTheFailureEndingStillEndsTheAttemptOnce) {
  sim::Pod& pod = connect(Bus::cable, {.updated_firmware = "4.07", .original_firmware = "4.02",
                                       .flash_faults = {.refuse_key = 1}});
  choose_image(firmware_image("4.10"), "4.10");
  struct CutOnEnding final : UpdateProgressView {
    CutOnEnding(RecordingProgress& r, sim::Pod& p) : record(r), pod(p) {}
    void show_update_window() override {}
    void show_update_status(const ShortText& text) override { record.show_update_status(text); }
    void close_update_window(const ShortText& message, const ShortText& version) override {
      record.close_update_window(message, version);
      pod.set_link_lost(true);
      link_state().link_status = 0;
      HS_GOOD();
    }
    RecordingProgress& record;
    sim::Pod& pod;
  } cutting(progress, pod);
  install_update_progress_view(&cutting);
  firmware_request().interface_firmware_version = 407;
  firmware_request().update_search_pattern = dir_.file("quorvexens.???").c_str();
  EXPECT_THROW(ask_update_firmware("4.07"), CommandException);
  EXPECT_EQ(progress.endings.size(), 1u);
  EXPECT_EQ(last_line(), "Failure.") << "no second ending's line";
  EXPECT_TRUE(script.log().empty()) << "the script's end is not offered a retry";
  EXPECT_FALSE(firmware_update_link().busy);
}

// A Universal FX on WinDriver, in the updater's build: its firmware file brings the logic arrays too.
class FxLogicTest : public FlashUpdateTest {
 protected:
  sim::Pod& connect_fx(std::optional<std::size_t> stuck_word = std::nullopt) {
    sim::Pod& pod = connect(Bus::windriver, {.updated_firmware = "6.10", .original_firmware = "6.00",
                                             .fx_logic = true, .fx_stuck_word = stuck_word});
    update_decision().build = EngineBuild::updater;
    update_decision().universal_kind = universal_fx;
    return pod;
  }
  // The firmware block and, unless empty, logic bytes from the logic window's start.
  void choose_fx_file(const Bytes& logic) {
    std::string text = srecords(usb_block_start, firmware_image("6.20"));
    if (!logic.empty()) {
      text.erase(text.rfind("S9"));
      const std::string logic_text = test::s3_records({{fx_logic_start, logic}});
      text += logic_text.substr(logic_text.find("\r\n") + 2);
    }
    choose_file(text, "6.20");
  }
  static std::vector<std::uint16_t> words(const Bytes& bytes, std::size_t from, std::size_t count) {
    std::vector<std::uint16_t> result;
    for (std::size_t i = from; i < from + count * 2; i += 2) {
      result.push_back(static_cast<std::uint16_t>(bytes[i] << 8 | bytes[i + 1]));
    }
    return result;
  }
};

// The kinds of the packets, a run of rows shown once with its count.
std::vector<std::string> packet_summary(const sim::FxLogicDevice& device) {
  using Kind = sim::FxLogicDevice::PacketKind;
  std::vector<std::string> summary;
  std::size_t rows = 0;
  for (const sim::FxLogicDevice::Packet& packet : device.packets()) {
    if (packet.kind == Kind::row) {
      ++rows;
      continue;
    }
    if (rows != 0) summary.push_back(std::to_string(rows) + " rows");
    rows = 0;
    switch (packet.kind) {
      case Kind::identify: summary.push_back("identify"); break;
      case Kind::select:
        summary.push_back("S(" + hex_byte(packet.array).str() + ", " + hex_byte(packet.instruction).str() + ")");
        break;
      case Kind::finish: summary.push_back("finish " + std::to_string(packet.words.size()) + " words"); break;
      case Kind::end: summary.push_back("end"); break;
      case Kind::row: break;
    }
  }
  if (rows != 0) summary.push_back(std::to_string(rows) + " rows");
  return summary;
}

TEST_F(FxLogicTest, TheLogicArraysFollowTheFirmwareAndHoldTheImage) {
  const sim::Pod& pod = connect_fx();
  const Bytes logic = test::filler(fx_logic_size, 0x21);
  choose_fx_file(logic);
  ASSERT_TRUE(flash_update_engine().update_cable_firmware()) << last_line();
  const sim::FxLogicDevice& device = pod.fx_logic();
  EXPECT_EQ(device.main_array(), words(logic, 0, sim::FxLogicDevice::main_words));
  EXPECT_EQ(device.secondary_array(), words(logic, 0x3600, sim::FxLogicDevice::secondary_words));
  EXPECT_EQ(packet_summary(device),
            (std::vector<std::string>{"identify", "S(21, F2)", "S(01, F2)", "S(00, F2)", "S(00, F4)", "288 rows",
                                      "S(01, F4)", "64 rows", "S(00, 05)", "288 rows", "S(01, 05)", "64 rows",
                                      "finish 4 words", "end"}));
  EXPECT_TRUE(pod.violations().empty()) << pod.violations().front();
  const auto at = [&](const std::string& line) {
    return std::find(progress.lines.begin(), progress.lines.end(), line) - progress.lines.begin();
  };
  EXPECT_LT(at("Resetting Quorvex to updated firmware ... "), at("Updating Quorvex FX Logic, please wait ..."));
  EXPECT_LT(at("Updating Quorvex FX Logic, please wait ..."), at("All steps completed successfully."));
  EXPECT_EQ(last_line(), "All steps completed successfully.");
}

TEST_F(FxLogicTest, AStuckWordOrALostLinkFailsTheLogicStep) {
  const Bytes logic = test::filler(fx_logic_size, 0x21);
  {
    connect_fx(100);
    choose_fx_file(logic);
    EXPECT_FALSE(flash_update_engine().update_cable_firmware());
    EXPECT_EQ(last_line(), "Failed on verification of Logic Arrays");
    EXPECT_EQ(progress.endings.size(), 1u);
  }
  {
    sim::Pod& pod = connect_fx();
    FxLogicImage image{};
    std::copy(logic.begin(), logic.end(), image.begin());
    pod.inject(sim::PodFault::no_ack, 400);
    EXPECT_FALSE(update_fx_logic(universal_fx, image));
    EXPECT_EQ(last_line(), "Error. Check Port, Power, and Connections.");
  }
}

TEST_F(FxLogicTest, ASecondSmallerFileKeepsNothingOfTheFirst) {
  const sim::Pod& pod = connect_fx();
  choose_fx_file(test::filler(fx_logic_size, 0x21));
  ASSERT_TRUE(flash_update_engine().update_cable_firmware()) << last_line();
  const Bytes smaller = test::filler(0x100, 0x55);
  choose_fx_file(smaller);
  ASSERT_TRUE(flash_update_engine().update_cable_firmware()) << last_line();
  Bytes expected(fx_logic_size, 0);
  std::copy(smaller.begin(), smaller.end(), expected.begin());
  EXPECT_EQ(pod.fx_logic().main_array(), words(expected, 0, sim::FxLogicDevice::main_words));
  EXPECT_EQ(pod.fx_logic().secondary_array(), words(expected, 0x3600, sim::FxLogicDevice::secondary_words));
}

TEST_F(FxLogicTest, AFileWithoutLogicIsRefusedBeforeAnythingIsErased) {
  const sim::Pod& pod = connect_fx();
  const Bytes before = block();
  choose_fx_file({});
  EXPECT_FALSE(flash_update_engine().update_cable_firmware());
  EXPECT_EQ(last_line(), "The Update File contains invalid data.");
  EXPECT_EQ(block(), before);
  EXPECT_TRUE(pod.fx_logic().packets().empty());
}

TEST_F(FxLogicTest, AnyOtherInterfaceGetsNoLogicStep) {
  const sim::Pod& pod = connect_fx();
  EXPECT_FALSE(update_fx_logic(1, FxLogicImage{}));
  EXPECT_TRUE(progress.lines.empty());
  EXPECT_TRUE(pod.fx_logic().packets().empty());
}

}  // namespace
}  // namespace vx::fwupdate
