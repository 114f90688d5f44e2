#include "fwupdate/architecture_table.h"

#include <array>
#include <optional>

#include "fwupdate/osbdm_binding.h"
#include "fwupdate/updater_link.h"

namespace vx::updater {
namespace {

// The interface firmware patterns of one architecture family.
struct FamilyPatterns {
  const char* usb_gen1;
  const char* usb20;
  const char* usb20_ref;
  const char* universal;
  const char* universal_fx;
  const char* model_code;
};

constexpr FamilyPatterns bdm_family{"UNUSED.UUU",          "usb20bdmens.???",     "usb20bdmrefens.???",
                                    "usbqxfs20bdmens.???", "usbqxfx20bdmens.???", "USB-QX-12"};
constexpr FamilyPatterns coldfire_family{"usbqxcf_ens.???",      "usbqxcf20_ens.???",   "usbqxcf20_ref_ens.???",
                                         "usbqxfs20cfens.???", "usbqxfx20cfens.???", "USB-QX-CF"};
constexpr FamilyPatterns qorivva_family{"usbqxppcjtag_ens.???",  "usbqxppcjtag20_ens.???",
                                        "usbqxppcjtag20_ref_ens.???", "usbqxfs20jtagens.???",
                                        "usbqxfx20jtagens.???",  "USB-QX-PPCJTAG"};
constexpr FamilyPatterns dsc_family{"usbqxdsc_ens.???",     "usbqxdsc20_ens.???",   "usbqxdsc20_ref_ens.???",
                                    "usbqxfs20dscens.???", "usbqxfx20dscens.???", "USB-QX-DSC"};
constexpr FamilyPatterns hc16_family{"usbqx1632_ens.???", "usbqx163220_ens.???",     "usbqx163220_ref_ens.???",
                                     "UNUSED.UUU",        "usbqxfx201632ens.???", "USB-QX-16/32"};
constexpr FamilyPatterns kinetis_family{"usbqxarm_ens.???",     "usbqxarm20_ens.???",   "usbqxarm20_ref_ens.???",
                                        "usbqxfs20armens.???", "usbqxfx20armens.???", "USB-QX-ARM"};

struct ProgrammerSet {
  const char* kernel;
  const char* ens;
  const char* en2;
};
constexpr ProgrammerSet pro_set{"prokernelen2", "tamberlyproens.???", "tamberlyproen2.???"};
constexpr ProgrammerSet max_set{"maxkernelen2", "tamberlymaxens.???", "tamberlymaxen2.???"};

struct ProgrammerLinkBytes {
  std::uint8_t channel;
  std::uint8_t command_offset;
};

struct Architecture {
  const char* interface_item;  // nullptr: not offered for the Universal and the FX
  const char* board_item;
  std::uint8_t osbdm_target_type;
  const ProgrammerSet* programmers;
  const FamilyPatterns* family;
  std::optional<ProgrammerLinkBytes> link;  // none: left as it is
};

const std::array<Architecture, 10> architectures{{
    {"RS08 / S08 / S12(X)(Z) / ColdFire+ / ColdFire V1", "ColdFire+ / ColdFire V1", 1, &pro_set, &bdm_family,
     ProgrammerLinkBytes{21, 0}},
    {"ColdFire V234", "ColdFire V234", 0, &max_set, &coldfire_family, ProgrammerLinkBytes{8, 100}},
    {"Kinetis", "Kinetis", 7, &max_set, &kinetis_family, ProgrammerLinkBytes{15, 100}},
    {"Qorivva MPC5xxx / PX Family", "Qorivva MPC5xxx / PX Family", 8, &max_set, &qorivva_family,
     ProgrammerLinkBytes{15, 100}},
    {"DSC", "DSC", 5, &max_set, &dsc_family, ProgrammerLinkBytes{15, 100}},
    {"HC16/683xx", "HC16/683xx", 6, &max_set, &hc16_family, std::nullopt},
    {nullptr, "RS08", 3, &pro_set, &bdm_family, ProgrammerLinkBytes{23, 0}},
    {nullptr, "S08", 2, &pro_set, &bdm_family, ProgrammerLinkBytes{21, 0}},
    {nullptr, "S12(X)", 4, &pro_set, &bdm_family, ProgrammerLinkBytes{22, 0}},
    {nullptr, "S12Z", 9, &pro_set, &bdm_family, ProgrammerLinkBytes{21, 0}},
}};

}  // namespace

std::vector<std::string> architecture_items(std::uint8_t hardware_type) {
  std::vector<std::string> items;
  for (const Architecture& row : architectures) {
    const char* item = hardware_type == osbdm_board ? row.board_item : row.interface_item;
    if (item != nullptr) items.emplace_back(item);
  }
  return items;
}

ShortText choose_architecture(std::uint32_t index) {
  const std::uint32_t row_index = index & 0x7F;
  if (row_index >= architectures.size()) return osbdm_firmware_stem();
  const Architecture& row = architectures[row_index];
  FirmwareNameSet& names = updater_link().names;
  names.kernel_name = row.programmers->kernel;
  names.programmer_ens_pattern = names.programmer_ens_pattern_2 = row.programmers->ens;
  names.programmer_en2_pattern = row.programmers->en2;
  names.usb_gen1_pattern = row.family->usb_gen1;
  names.usb20_pattern = row.family->usb20;
  names.usb20_ref_pattern = row.family->usb20_ref;
  names.universal_pattern = row.family->universal;
  names.universal_fx_pattern = row.family->universal_fx;
  names.model_code = row.family->model_code;
  if (row.link) {
    names.programmer_channel = row.link->channel;
    names.programmer_command_offset = row.link->command_offset;
    use_updater_link_settings();
  }
  OsbdmVersionBytes& version = osbdm_binding().osbdm_version_info;
  version[osbdm_version::TARGET_TYPE] = row.osbdm_target_type;
  version[osbdm_version::FIRMWARE_TYPE] = 1;
  return osbdm_firmware_stem();
}

}  // namespace vx::updater
