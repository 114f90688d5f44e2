#include "fwupdate/device_rows.h"

#include <gtest/gtest.h>

#include "fwupdate/architecture_table.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/updater_link.h"

namespace vx::updater {
namespace {

TEST(DeviceRowsTest, ShowsEachDeviceOfItsTypeWithTheArchitectureItSuggests) {
  struct Case {
    std::uint8_t type;
    const char* description;
    const char* text;  // nullptr: not a device of the type
    std::uint8_t suggestion;
  };
  const Case cases[] = {
      {quorvex_universal, "USB-QX-UNIV : Quorvex - Universal - ARM (FS) Rev C",
       "Quorvex Universal Rev C  (Kinetis Configuration)", 2},
      {quorvex_universal, "USB-QX-UNIV : Quorvex - Universal - PPCNEXUS (FS) Rev A",
       "Quorvex Universal Rev A  (Qorivva/PX Configuration)", 3},
      {quorvex_universal, "USB-QX-UNIV : Quorvex - Universal - 12 (FS) Rev A",
       "Quorvex Universal Rev A  (RS08, S08, S12(X)(Z), ColdFire+ V1 Configuration)", 0},
      {quorvex_universal, "USB-QX-UNIV : Quorvex - Universal - cf (FS)", "Quorvex Universal  (ColdFire V234 Configuration)",
       1},
      // No configuration word: no suffix and nothing suggested.
      {quorvex_universal, "USB-QX-UNIV : Quorvex - Universal - (FS) Rev C", "Quorvex Universal Rev C", no_architecture},
      {quorvex_universal, "USB-QX-UNIV : Quorvex - Universal - XYZ (FS)", "Quorvex Universal  (XYZ Configuration)",
       no_architecture},
      {quorvex_universal, "USB-QX-FX : Quorvex - Universal FX - (ARM) Rev B", nullptr, 0},
      {quorvex_universal_fx, "USB-QX-FX : Quorvex - Universal FX - (ARM) Rev B",
       "Quorvex Universal FX Rev B  (Kinetis Configuration)", 2},
      {quorvex_universal_fx, "USB-QX-FX : Quorvex - Universal FX - (16/32) Rev B",
       "Quorvex Universal FX Rev B  (HC16/683xx Configuration)", 5},
      {quorvex_universal_fx, "USB-QX-FX : Quorvex - Universal FX - (DSC)", "Quorvex Universal FX  (DSC Configuration)",
       4},
      {quorvex_universal_fx, "USB-QX-UNIV : Quorvex - Universal - ARM (FS) Rev C", nullptr, 0},
      {osbdm_board, "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 31.02)",
       "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 31.02)", 7},
      {osbdm_board, "Embedded RS08 OSBDM/OSJTAG Device", "Embedded RS08 OSBDM/OSJTAG Device", 6},
      {osbdm_board, "Embedded S12Z OSBDM/OSJTAG Device", "Embedded S12Z OSBDM/OSJTAG Device", 9},
      {osbdm_board, "Embedded S12 OSBDM/OSJTAG Device", "Embedded S12 OSBDM/OSJTAG Device", 8},
      {osbdm_board, "Kinetis osjtag board", "Kinetis osjtag board", 2},
      {osbdm_board, "Embedded OSBDM/OSJTAG Device - Bootloader Mode", "Embedded OSBDM/OSJTAG Device - Bootloader Mode",
       no_architecture},
      {osbdm_board, "USB-QX-UNIV : Quorvex - Universal - ARM (FS) Rev C", nullptr, 0},
      {3, "Embedded S08 OSBDM/OSJTAG Device", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    const std::optional<DeviceRow> row = device_row(c.type, c.description);
    if (c.text == nullptr) {
      EXPECT_FALSE(row);
      continue;
    }
    ASSERT_TRUE(row);
    EXPECT_EQ(row->text, c.text);
    EXPECT_EQ(row->suggested_architecture, c.suggestion);
  }
}

// Texts without the separators a Universal's model text carries stay inside themselves.
TEST(DeviceRowsTest, DescriptionsMissingTheirSeparatorsGiveWhatIsLeft) {
  const char* texts[] = {"(FS)", "x(FS)", "A:(FS)", "A: - - (FS)", "FX", "A: b - c - (ARM", "A: b - c - ARM)", ":FX(",
                         "FX)("};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    for (std::uint8_t type : {quorvex_universal, quorvex_universal_fx}) {
      const std::optional<DeviceRow> row = device_row(type, text);
      if (row) {
        EXPECT_TRUE(row->text.view().starts_with("Quorvex Universal"));
      }
    }
  }
  EXPECT_EQ(device_row(quorvex_universal, "(FS)")->text, "Quorvex Universal");
  EXPECT_EQ(device_row(quorvex_universal_fx, "FX: b - c - (ARM")->text, "Quorvex Universal FXARM");
}

TEST(ArchitectureTableTest, ARowSetsTheFileNamesAndTheBoardPattern) {
  reset_updater_link();
  reset_osbdm_binding();
  EXPECT_EQ(architecture_items(quorvex_universal).size(), 6u);
  EXPECT_EQ(architecture_items(osbdm_board).size(), 10u);
  EXPECT_EQ(architecture_items(osbdm_board)[9], "S12Z");

  EXPECT_EQ(choose_architecture(6), "osbdmens_rs08.*");
  const FirmwareNameSet& names = updater_link().names;
  EXPECT_EQ(names.kernel_name, "prokernelen2");
  EXPECT_EQ(names.universal_pattern, "usbqxfs20bdmens.???");
  EXPECT_EQ(names.programmer_channel, 23);
  EXPECT_EQ(names.programmer_command_offset, 0);
  EXPECT_EQ(osbdm_binding().osbdm_version_info[osbdm_version::FIRMWARE_TYPE], 1);

  // HC16/683xx keeps the programmer link's bytes and has no Universal file.
  EXPECT_EQ(choose_architecture(5), "Architecture_Not_Supported.*");
  EXPECT_EQ(names.universal_pattern, "UNUSED.UUU");
  EXPECT_EQ(names.universal_fx_pattern, "usbqxfx201632ens.???");
  EXPECT_EQ(names.programmer_channel, 23);

  // The low seven bits choose; above 9 nothing changes.
  EXPECT_EQ(choose_architecture(0x80 | 1), "osbdmens_embedded_cfv234.*");
  EXPECT_EQ(names.model_code, "USB-QX-CF");
  EXPECT_EQ(choose_architecture(0xFFFFFFFF), "osbdmens_embedded_cfv234.*");
  EXPECT_EQ(names.model_code, "USB-QX-CF");
  reset_updater_link();
  reset_osbdm_binding();
}

}  // namespace
}  // namespace vx::updater
