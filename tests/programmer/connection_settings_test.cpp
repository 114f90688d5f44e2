#include <gtest/gtest.h>

#include <optional>

#include "foundation/ini_document.h"
#include "platform/wdusb.h"
#include "programmer/connection_manager.h"
#include "programmer/program_windows.h"
#include "programmer_fixture.h"

namespace vx::programmer {
namespace {

using test::ProgrammerTest;

class ConnectionSettingsTest : public ProgrammerTest {
 protected:
  std::string stored(const char* section, const char* key) const {
    IniDocument::LoadStatus load_status{};
    return IniDocument::load(dir.file("CQUILLHCS08.DSK"), load_status).value(section, key).value_or("<missing>");
  }
};

TEST_F(ConnectionSettingsTest, MissingKeysGiveTheDefaults) {
  load_connection_settings();
  const StartupSettings& settings = startup_settings();
  const vx::ConnectionSettings& link = vx::connection_settings();
  EXPECT_EQ(link.io_delay_cnt, 0);
  EXPECT_EQ(settings.bdm_speed, 0);
  EXPECT_EQ(settings.saved_port, 1);
  EXPECT_EQ(settings.interface_selection, 1);
  EXPECT_TRUE(settings.show_at_startup);
  EXPECT_EQ(engine_settings().trim.custom_reference, 31250.0L);
  EXPECT_TRUE(link.power_relays_in_use);
  EXPECT_FALSE(link.power_off_on_exit);
  EXPECT_EQ(link.supply_selection, 255);
  EXPECT_EQ(link.power_down_delay_ms, 250);
  EXPECT_EQ(link.power_up_delay_ms, 250);
  EXPECT_EQ(settings.cpu_type, 0);
}

TEST_F(ConnectionSettingsTest, TheFirstNumberOfAPortRangeMovesToItsFirstPort) {
  const std::pair<int, int> cases[] = {{0, 1},   {10, 11}, {20, 21}, {40, 41},   {60, 61},
                                       {100, 101}, {21, 21}, {5, 5},   {120, 120}, {160, 160}};
  for (const auto& [saved, used] : cases) {
    write("CQUILLHCS08.DSK", "[STARTUP]\nPORT=" + std::to_string(saved) + "\n");
    load_connection_settings();
    EXPECT_EQ(startup_settings().saved_port, used) << saved;
  }
}

TEST_F(ConnectionSettingsTest, StoredValuesAreReadAndTheIoDelayCapped) {
  write("CQUILLHCS08.DSK",
        "[STARTUP]\nIO_DELAY_CNT=9999\nIO_DELAY_SET=1\nPCI_DELAY=7\ninterface_selection=4\nSHOWDIALOG=2\n"
        "trim_reference_target_newvalue=3276850\nUSE_TAMBERLYPRO_RELAYS=0\nTamberlyPro_poweroffonexit=1\n"
        "TamberlyPro_currentvoltage=128\nTamberlyPro_PowerDownDelay=10\nTamberlyPro_PowerUpDelay=20\n"
        "CPUTARGETTYPE=5\n[PORT]\nIP=10.0.0.9\n");
  load_connection_settings();
  const StartupSettings& settings = startup_settings();
  const vx::ConnectionSettings& link = vx::connection_settings();
  EXPECT_EQ(link.io_delay_cnt, 4096);
  EXPECT_FALSE(settings.io_delay_set);
  EXPECT_EQ(settings.bdm_speed, 7);
  EXPECT_EQ(settings.interface_selection, 4);
  EXPECT_FALSE(settings.show_at_startup) << "only 1 reads true";
  EXPECT_EQ(engine_settings().trim.custom_reference, 32768.5L);
  EXPECT_FALSE(link.power_relays_in_use);
  EXPECT_TRUE(link.power_off_on_exit);
  EXPECT_EQ(link.supply_selection, 128);
  EXPECT_EQ(link.power_down_delay_ms, 10);
  EXPECT_EQ(link.power_up_delay_ms, 20);
  EXPECT_EQ(settings.cpu_type, 0) << "out of range";
  EXPECT_EQ(settings.ethernet_address, "10.0.0.9");
}

// A desktop without the key leaves the setting as it was, such as a simulated world's.
TEST_F(ConnectionSettingsTest, TheUsbVendorIdIsHandedToTheInterfaceLayer) {
  const std::optional<std::uint16_t> before = platform::set_usb_vendor_id(std::nullopt);
  write("CQUILLHCS08.DSK", "[STARTUP]\nUSB_VENDOR_ID=$1A2B\n");
  load_connection_settings();
  EXPECT_EQ(platform::usb_vendor_id(), 0x1A2B);
  write("CQUILLHCS08.DSK", "[STARTUP]\nPORT=1\n");
  load_connection_settings();
  EXPECT_EQ(platform::usb_vendor_id(), 0x1A2B);
  save_connection_settings();
  EXPECT_EQ(stored("STARTUP", "USB_VENDOR_ID"), "<missing>") << "the user's to write";
  platform::set_usb_vendor_id(before);
}

TEST_F(ConnectionSettingsTest, NoConnectionDialogIsSavedAsNotShown) {
  write("CQUILLHCS08.DSK", "[STARTUP]\nSHOWDIALOG=1\n[VXDEBUG]\nNOCONNECTIONGDLG=1\n");
  load_connection_settings();
  save_connection_settings();
  EXPECT_EQ(stored("STARTUP", "SHOWDIALOG"), "0");
}

TEST_F(ConnectionSettingsTest, SavedValuesReadBackTheSame) {
  engine_settings().trim.custom_reference = 32768.5L;
  engine_settings().trim.custom_override = true;
  vx::ConnectionSettings& link = vx::connection_settings();
  link.io_delay_cnt = 300;
  link.reset_delay_ms = 99;
  link.supply_selection = 0;
  StartupSettings& settings = startup_settings();
  settings.bdm_speed = 12;
  settings.saved_port = 21;
  settings.interface_selection = 1;
  save_connection_settings();
  EXPECT_EQ(stored("STARTUP", "trim_reference_target_newvalue"), "3276850");
  EXPECT_EQ(stored("STARTUP", "trim_reference_target_override"), "1");
  EXPECT_EQ(stored("STARTUP", "RESET_DELAY"), "99");
  EXPECT_EQ(stored("PORT", "IP"), "");

  reset_startup_settings();
  vx::reset_connection_settings();
  reset_engine_settings();
  load_connection_settings();
  EXPECT_EQ(engine_settings().trim.custom_reference, 32768.5L);
  EXPECT_FALSE(engine_settings().trim.custom_override) << "the override is not read back";
  EXPECT_EQ(vx::connection_settings().io_delay_cnt, 300);
  EXPECT_EQ(vx::connection_settings().supply_selection, 0);
  EXPECT_EQ(startup_settings().bdm_speed, 12);
  EXPECT_EQ(startup_settings().saved_port, 21);
}

TEST_F(ConnectionSettingsTest, AHugeTrimReferenceIsKeptWithinTheFilesInteger) {
  engine_settings().trim.custom_reference = 1e30L;
  save_connection_settings();
  EXPECT_EQ(stored("STARTUP", "trim_reference_target_newvalue"), "2147483647");
  engine_settings().trim.custom_reference = 32768.129L;
  save_connection_settings();
  EXPECT_EQ(stored("STARTUP", "trim_reference_target_newvalue"), "3276812");
}

TEST_F(ConnectionSettingsTest, TheInterfaceTypeDecidesClassAndPortKinds) {
  EXPECT_EQ(interface_class(), InterfaceClass::parallel_cable) << "no connection manager";
  EXPECT_EQ(interface_port_kind_mask(), 7u);
  {
    program_windows().connectiondialog2 = std::make_unique<Tconnectiondialog2>();
    const std::tuple<int, int, unsigned> cases[] = {{0, 0, 1}, {1, 1, 4}, {2, 2, 8}, {3, 2, 16}, {4, 2, 32}, {7, 0, 1}};
    for (const auto& [type, klass, mask] : cases) {
      startup_settings().interface_selection = type;
      EXPECT_EQ(interface_class(), static_cast<InterfaceClass>(klass)) << type;
      EXPECT_EQ(interface_port_kind_mask(), mask) << type;
    }
    destroy_program_windows();
  }
}

TEST(ConnectionManager, ListsTheInterfaceTypesCpuTypesAndSpeeds) {
  Tconnectiondialog2 manager;
  EXPECT_FALSE(manager.visible());
  EXPECT_EQ(manager.caption(), "VELMORIX Connection Manager");
  EXPECT_EQ(manager.InterfaceType().item_count(), 5);
  EXPECT_EQ(manager.InterfaceType().items()[1], "USB HCS08/HCS12/CFV1 Quorvex - USB Port");
  EXPECT_FALSE(manager.CPUType().visible());
  EXPECT_EQ(manager.CPUTypeLabel().caption(), "HCS08 Processor - Autodetect");
  ASSERT_EQ(manager.BDMSpeed().item_count(), 32);
  EXPECT_EQ(manager.BDMSpeed().items()[0], " 0  -  BDM CLOCK FREQ  =  6600000 Hz");
  EXPECT_EQ(manager.BDMSpeed().items()[31], " 31  -  BDM CLOCK FREQ  =  492537 Hz");
  EXPECT_EQ(manager.PCPort().item_count(), 0);
}

}  // namespace
}  // namespace vx::programmer
