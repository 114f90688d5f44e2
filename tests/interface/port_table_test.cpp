#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/kstring.h"
#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/link_state.h"
#include "interface/port_counts.h"
#include "interface/port_state.h"
#include "interface/port_table.h"
#include "interface/serial_transport.h"
#include "interface/user_port_lists.h"
#include "platform/registry.h"
#include "support/simulated_cable.h"
#include "support/simulated_usb.h"
#include "tests/interface/port_test_support.h"
#include "tests/interface/sap_test_support.h"

namespace vx {
namespace {

using port_testing::RecordingPortList;
using sap_testing::ScriptedPeer;

// One parallel cable at 0x378 and one PCI card, empty USB buses, no Ethernet scan.
class PortTableTest : public ::testing::Test {
 protected:
  void SetUp() override { port_table().ethernet_scan_enabled = false; }

  static void fill_ftdi_table(std::int32_t count) {
    FtdiBinding& ftdi = ftdi_binding();
    ftdi.listed = true;
    ftdi.device_count = count;
    for (std::int32_t n = 1; n <= count; ++n) {
      ftdi.serial_numbers[static_cast<std::size_t>(n - 1)] = "VX30000" + std::to_string(n);
      ftdi.descriptions[static_cast<std::size_t>(n - 1)] = "VLX USB BDM";
    }
  }
  static std::optional<platform::RegistryKey> ethernet_key() {
    return platform::Registry::current_user().create_key(user_ethernet_key);
  }
  // Every value of the key gone, as before the user stored any.
  static void empty_key(std::string_view path) {
    const std::optional<platform::RegistryKey> key = platform::Registry::current_user().create_key(path);
    ASSERT_TRUE(key);
    for (const std::string& name : key->value_names()) ASSERT_TRUE(key->delete_value(name));
  }

  test::SimulatedCable cable_;
  test::SimulatedUsb usb_;
  port_testing::ScopedPortUnit unit_;
};

TEST_F(PortTableTest, PortNamesWithoutDevices) {
  port_table().values[1] = 0x378;
  port_table().ethernet[0] = {"127.0.0.2", "Tamberly Pro", false};
  struct Case {
    int port;
    std::int32_t presence;
    const char* name;
  } cases[] = {
      {1, 0x378, "LPT1 : Parallel Port 1 (Address $0378)"},
      {2, 0, "LPT2 : Parallel Port 2 (Not Detected)"},
      {11, 0x00012340, "PCI1 : BDM Fulgrin Card 1 (Address $00012340)"},
      {19, 0, "PCI9 : BDM Fulgrin Card 9 (Not Detected)"},
      {21, 0, "USB1 : Not Detected."},
      {21, -1, "USB1 : Not Detected."},
      {41, 256, "COM1 : Serial Port 1"},
      {59, 0, "COM19 : Serial Port 19 (Not Detected)"},
      {61, 256, "127.0.0.2  :  Tamberly Pro"},
      {61, -5, "Ethernet Device : Not Detected."},
      {101, 0, "USB1 : Not Detected."},
      {0, 256, "Port0 is Invalid."},
      {10, 256, "Port10 is Invalid."},
      {20, 256, "Port20 is Invalid."},
      {40, 256, "Port40 is Invalid."},
      {60, 256, "Port60 is Invalid."},
      {100, 256, "Port100 is Invalid."},
      {120, 256, "Port120 is Invalid."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GET_PORT_NAME(static_cast<std::uint8_t>(c.port), c.presence), c.name) << "port " << c.port;
  }
}

TEST_F(PortTableTest, AddressTextsOfPresentPortsOnly) {
  port_table().values[1] = 0x12378;
  port_table().ethernet[0] = {"127.0.0.2", "Tamberly Pro", false};
  struct Case {
    int port;
    std::int32_t presence;
    const char* text;
  } cases[] = {
      {1, 1, "$2378"},   {1, 0, ""},         {11, -2, "$FFFFFFFE"}, {11, 0, ""}, {41, 256, "1"},
      {61, 256, "127.0.0.2"}, {61, -1, ""}, {21, 256, ""},          {10, 256, ""}, {0, 256, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(port_address_text(static_cast<std::uint8_t>(c.port), c.presence), c.text) << c.port << " " << c.presence;
  }
}

TEST_F(PortTableTest, UsbNamesCarryTwoDigitNumbersAndTheOpenMark) {
  fill_ftdi_table(12);
  ftdi_binding().descriptions[11] = "VLX USB BDM [Open]";
  WdusbDeviceTable& programmers = wdusb_state().programmers;
  for (int n = 1; n <= 12; ++n) {
    programmers.append("PRO" + std::to_string(n), n == 12 ? "VLX, 0 TAMBERLY PRO,P [Open]" : "VLX, 0 TAMBERLY PRO,P",
                       "id" + std::to_string(n));
  }
  struct Case {
    int port;
    const char* name;
  } cases[] = {
      {21, "USB1 : VLX USB BDM (VX300001)"},
      {31, "USB11 : VLX USB BDM (VX3000011)"},
      {32, "USB12 : VLX USB BDM [Open] (VX3000012) [Currently Open]"},
      {101, "USB1 : Tamberly Pro (PRO1)"},
      {111, "USB11 : Tamberly Pro (PRO11)"},
      {112, "USB12 : Tamberly Pro (PRO12) [Currently Open]"},
  };
  for (const Case& c : cases) EXPECT_EQ(GET_PORT_NAME(static_cast<std::uint8_t>(c.port), 256), c.name);
}

TEST_F(PortTableTest, OutOfRangePortsFailAndPointTheCurrentPortAt21) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(1));
  for (const std::uint16_t port : {0, 120, 255}) {
    EXPECT_FALSE(LOAD_PORT_DRIVER(port)) << port;
    EXPECT_EQ(port_state().current_port, 21) << port;
    EXPECT_TRUE(port_state().port_open) << "the open port stays open";
    EXPECT_EQ(port_state().open_port_number, 1);
  }
}

TEST_F(PortTableTest, RangeStartsAreNeverPresent) {
  cable_.record_trace();
  for (const std::uint16_t port : {10, 20, 40, 60, 100}) {
    test::SimulatedCable::trace_lines().clear();
    EXPECT_FALSE(LOAD_PORT_DRIVER(port)) << port;
    EXPECT_TRUE(test::SimulatedCable::traced("LOAD_PORT_DRIVER : ACK - BASE_ADDRESS is 0" + std::string(34, '!')))
        << port;
  }
}

TEST_F(PortTableTest, TheScanFindsTheCableTheCardAndTheSerialPorts) {
  RecordingPortList list;
  SCAN_PORTS();
  const PortTable& table = port_table();
  EXPECT_EQ(table.values[1], 0x378u);
  EXPECT_EQ(table.values[11], PortTable::present);
  EXPECT_EQ(table.values[12], 0u);
  for (int port = 41; port <= 59; ++port) EXPECT_EQ(table.values[static_cast<std::size_t>(port)], PortTable::present);
  for (const int port : {10, 20, 21, 40, 60, 61, 100, 101}) EXPECT_EQ(table.values[static_cast<std::size_t>(port)], 0u);
  EXPECT_EQ(port_counts().found_lpt_count, 1);
  EXPECT_EQ(port_counts().found_pci_count, 1);
  EXPECT_EQ(table.pci_card_regions[1][0], sim::SimPciCardDriver::region_address(1, 1));
  EXPECT_FALSE(table.user_lpt_flags[1]);
  EXPECT_TRUE(table.user_lpt_flags[2]) << "looked up in the registry";
  EXPECT_EQ(list.scanning, (std::vector<bool>{true, false}));
  const std::string card = "PCI1 : BDM Fulgrin Card 1 (Address $" +
                           std::string(hex_long(sim::SimPciCardDriver::region_address(1, 1)).view()) + ")";
  EXPECT_EQ(list.items, (std::vector<std::string>{"LPT1 : Parallel Port 1 (Address $0378)", card, "COM1 : Serial Port 1",
                                                   "COM2 : Serial Port 2", "COM3 : Serial Port 3",
                                                   "COM4 : Serial Port 4"}));
  EXPECT_EQ(PORT_LIST_POSITION(1), 0);
  EXPECT_EQ(PORT_LIST_POSITION(11), 1);
  EXPECT_EQ(PORT_LIST_POSITION(44), 5);
  EXPECT_EQ(PORT_LIST_POSITION(45), -1);
  EXPECT_EQ(PORT_LIST_POSITION(0), -1);
  EXPECT_EQ(PORT_LIST_POSITION(120), -1);
  EXPECT_EQ(PORT_AT_LIST_POSITION(2), 41);
  EXPECT_EQ(PORT_AT_LIST_POSITION(-1), 0);
  EXPECT_EQ(PORT_AT_LIST_POSITION(6), 0);
}

TEST_F(PortTableTest, TheTableStaysUntilAScanIsAskedFor) {
  SCAN_PORTS();
  port_table().values[1] = 0x1234;
  SCAN_PORTS();
  EXPECT_EQ(port_table().values[1], 0x1234u);
  port_table().ports_scanned = false;
  SCAN_PORTS();
  EXPECT_EQ(port_table().values[1], 0x378u);
}

TEST_F(PortTableTest, WithoutAnyParallelPortPort1IsStillListed) {
  cable_.ports.set_unlisted(true);
  RecordingPortList list;
  list.mask = 1;
  SCAN_PORTS();
  EXPECT_EQ(port_counts().found_lpt_count, 0);
  EXPECT_EQ(list.items, (std::vector<std::string>{"LPT1 : Parallel Port 1 (Not Detected)"}));
}

TEST_F(PortTableTest, TheBiosTableComesFirstAndUserAddressesFillTheGaps) {
  cable_.cards.set_bios_lpt_table(std::array<std::uint16_t, 3>{0x3BC, 0, 0x278});
  write_user_lpt_address(2, 0x2BC);
  write_user_lpt_address(3, 0x111);
  SCAN_PORTS();
  const PortTable& table = port_table();
  EXPECT_EQ(table.values[1], 0x3BCu);
  EXPECT_EQ(table.values[2], 0x2BCu);
  EXPECT_EQ(table.values[3], 0x278u) << "a BIOS address wins over the registry";
  EXPECT_EQ(table.values[4], 0u);
  EXPECT_EQ(port_counts().found_lpt_count, 3);
  EXPECT_FALSE(table.user_lpt_flags[1]);
  EXPECT_TRUE(table.user_lpt_flags[2]);
}

TEST_F(PortTableTest, TheLptAddressOptionIsStoredOnce) {
  struct Case {
    const char* name;
    std::uint32_t option;
    std::vector<std::pair<std::int32_t, std::uint32_t>> registry;
    int stored_port;  // 0: not stored
  } cases[] = {
      {"already found", 0x378, {}, 0},
      {"already in the registry", 0x2BC, {{3, 0x2BC}}, 0},
      {"first empty port", 0x2BC, {}, 2},
      {"past the registry's ports", 0x3BC, {{2, 0x278}, {3, 0x280}}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset_port_table();
    port_table().ethernet_scan_enabled = false;
    empty_key(user_lpt_key);
    for (const auto& [n, address] : c.registry) write_user_lpt_address(n, address);
    port_table().lpt_address_option_set = true;
    port_table().lpt_address_option = c.option;
    SCAN_PORTS();
    int holding = 0;
    for (int n = 1; n <= 5; ++n) holding += port_table().values[static_cast<std::size_t>(n)] == c.option ? 1 : 0;
    EXPECT_EQ(holding, 1);
    if (c.stored_port != 0) {
      EXPECT_EQ(port_table().values[static_cast<std::size_t>(c.stored_port)], c.option);
      EXPECT_TRUE(port_table().user_lpt_flags[static_cast<std::size_t>(c.stored_port)]);
      EXPECT_EQ(read_user_lpt_address(c.stored_port), c.option);
    }
  }
}

TEST_F(PortTableTest, OpeningAParallelPortOrAPciCard) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(1));
  EXPECT_EQ(port_state().port_kind, PortState::kind_parallel);
  EXPECT_EQ(link_state().interface_class, InterfaceClass::parallel_cable);
  EXPECT_EQ(port_state().current_port, 1);
  EXPECT_EQ(port_state().port_base_address, 0x378u);
  EXPECT_EQ(port_state().port_status_address, 0x379u);
  EXPECT_EQ(port_state().port_control_address, 0x37Au);
  ASSERT_TRUE(LOAD_PORT_DRIVER(11));
  EXPECT_EQ(port_state().port_kind, PortState::kind_pci_card);
  EXPECT_EQ(port_state().current_port, 11);
  EXPECT_EQ(port_state().port_base_address, 0x100u);
  EXPECT_EQ(pci_driver_state().regions, port_table().pci_card_regions[1]);
  EXPECT_TRUE(port_state().port_open);
  EXPECT_EQ(port_state().open_port_number, 11);
}

TEST_F(PortTableTest, APciPortWithoutItsCardIsUndone) {
  SCAN_PORTS();
  port_table().values[12] = PortTable::present;
  EXPECT_FALSE(LOAD_PORT_DRIVER(12));
  EXPECT_EQ(port_state().current_port, 0);
  EXPECT_EQ(port_state().port_base_address, 0u);
  EXPECT_FALSE(port_state().port_open);
}

TEST_F(PortTableTest, APortWhoseDeviceDoesNotOpenIsUndone) {
  struct Case {
    std::uint16_t port;
    std::uint8_t kind;
    InterfaceClass interface_class;
  } cases[] = {
      {21, PortState::kind_usb_interface, InterfaceClass::usb_interface},
      {61, PortState::kind_ethernet_programmer, InterfaceClass::standalone_programmer},
      {101, PortState::kind_usb_programmer, InterfaceClass::standalone_programmer},
  };
  SCAN_PORTS();
  ASSERT_TRUE(LOAD_PORT_DRIVER(1));
  for (const Case& c : cases) {
    port_table().values[c.port] = PortTable::present;
    EXPECT_FALSE(LOAD_PORT_DRIVER(c.port)) << c.port;
    EXPECT_EQ(port_state().port_kind, c.kind) << c.port;
    EXPECT_EQ(link_state().interface_class, c.interface_class) << c.port;
    EXPECT_EQ(port_state().current_port, 0) << c.port;
    EXPECT_EQ(port_state().port_base_address, 0u) << c.port;
    EXPECT_FALSE(port_state().port_open) << "the parallel port was closed first";
  }
}

TEST_F(PortTableTest, TheDriverLoadTracesTheTable) {
  cable_.record_trace();
  EXPECT_TRUE(LOAD_PORT_DRIVER(1));
  EXPECT_TRUE(test::SimulatedCable::traced("LOAD_PORT_DRIVER(1)"));
  EXPECT_TRUE(test::SimulatedCable::traced("port(1)=$0378"));
  EXPECT_TRUE(test::SimulatedCable::traced("port(41)=$0100"));
  EXPECT_TRUE(test::SimulatedCable::traced("port(119)=$0000"));
  EXPECT_TRUE(test::SimulatedCable::traced("wdusb_number_of_devices_usbquorvex=0"));
  EXPECT_TRUE(test::SimulatedCable::traced("vxusb2_number_of_devices_enumerated=0"));
  EXPECT_FALSE(LOAD_PORT_DRIVER(0));
  EXPECT_TRUE(test::SimulatedCable::traced("LOAD_PORT_DRIVER : ACK - Portnum out of RANGE" + std::string(34, '!')));
}

TEST_F(PortTableTest, OpeningTheOpenPortAgainKeepsItOpen) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(1));
  cable_.record_trace();
  EXPECT_TRUE(LOAD_PORT_DRIVER(1));
  EXPECT_TRUE(test::SimulatedCable::traced("LOAD_PORT_DRIVER : Port is already open! Exit!"));
  EXPECT_TRUE(port_state().port_open);
}

TEST_F(PortTableTest, ASerialPortThatCannotBeOpenedIsUndone) {
  ASSERT_TRUE(unit_.registry.map(1, unit_.registry.file("no-such-tty")));
  start_serial_transport();
  EXPECT_FALSE(LOAD_PORT_DRIVER(41));
  finish_serial_transport();
  EXPECT_EQ(port_state().port_kind, PortState::kind_serial_programmer);
  EXPECT_EQ(link_state().interface_class, InterfaceClass::standalone_programmer);
  EXPECT_EQ(port_state().current_port, 0);
  EXPECT_FALSE(port_state().port_open);
}

TEST_F(PortTableTest, UsbInterfacesAreCountedUpTo19AndNamedForTheList) {
  for (int n = 1; n <= 12; ++n) {
    usb_.ftdi.add({"VX30001" + std::to_string(10 + n), "VLX USB BDM", nullptr});
  }
  for (int n = 1; n <= 10; ++n) {
    usb_.usb.add({"VLX,USB-QX-12 : USB Quorvex (FS) Universal,QX" + std::to_string(10 + n) + ",,,,",
                  sim::scenario_default_vendor, 2, nullptr});
  }
  start_ftdi_binding();
  RecordingPortList list;
  list.mask = 4;
  SCAN_PORTS();
  EXPECT_EQ(port_counts().found_usb_interface_count, 19);
  EXPECT_EQ(port_table().values[39], PortTable::present);
  ASSERT_EQ(list.items.size(), 19u);
  EXPECT_EQ(list.items[0], "USB1 : VLX USB BDM (VX3000111)");
  EXPECT_EQ(list.items[12], "USB13 : USB Quorvex Universal (QX11)");
  EXPECT_EQ(PORT_AT_LIST_POSITION(18), 39);
}

TEST_F(PortTableTest, ListNamesOfUsbInterfaces) {
  struct Case {
    const char* description;
    const char* listed;
  } cases[] = {
      {"USB-QX-12 REF : USB Quorvex", "USB1 : USB Quorvex (S1)"},
      {"USB-QX-12 : Quorvex Universal", "USB1 : Quorvex Universal (S1)"},
      {"Quorvex (FS) Universal FX", "USB1 : USB Quorvex Universal FX (S1)"},
      {"USB-QX-12 : BDM (FS)", "USB1 : USB Quorvex (S1)"},
  };
  for (const Case& c : cases) {
    fill_ftdi_table(1);
    ftdi_binding().serial_numbers[0] = "S1";
    ftdi_binding().descriptions[0] = c.description;
    port_table().values[21] = PortTable::present;
    port_counts().found_usb_interface_count = 1;
    port_table().ports_scanned = true;
    RecordingPortList list;
    list.mask = 4;
    FILL_PORT_LIST();
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_EQ(list.items[0], c.listed) << c.description;
  }
}

TEST_F(PortTableTest, TheListFollowsTheSelectedInterfaceType) {
  struct Case {
    std::uint8_t mask;
    std::vector<std::string> items;
  } cases[] = {
      {1, {"LPT1 : Parallel Port 1 (Address $0378)"}},
      {8, {"COM1 : Serial Port 1", "COM2 : Serial Port 2", "COM3 : Serial Port 3", "COM4 : Serial Port 4"}},
      {16, {"127.0.0.7  :  User Specified"}},
      {32, {}},
  };
  add_user_ethernet_ip("127.0.0.7");
  for (const Case& c : cases) {
    RecordingPortList list;
    list.mask = c.mask;
    SCAN_PORTS();
    EXPECT_EQ(list.items, c.items) << int{c.mask};
  }
}

TEST_F(PortTableTest, UserRegistryListsOfEthernetAddresses) {
  EXPECT_EQ(count_user_ethernet_ips(), 0);
  EXPECT_EQ(read_user_ethernet_ip(1), "");
  add_user_ethernet_ip("  127.0.0.5 ");
  add_user_ethernet_ip("127.0.0.5");
  add_user_ethernet_ip("127.0.0.6");
  EXPECT_EQ(count_user_ethernet_ips(), 2);
  EXPECT_EQ(read_user_ethernet_ip(1), "127.0.0.5");
  EXPECT_EQ(read_user_ethernet_ip(2), "127.0.0.6");
  EXPECT_EQ(read_user_lpt_address(1), 0u);
}

TEST_F(PortTableTest, AddingWithAGapInTheNumberingKeepsEveryAddress) {
  ethernet_key()->write_string("virtualip1", "127.0.0.1");
  ethernet_key()->write_string("virtualip3", "127.0.0.3");
  add_user_ethernet_ip("127.0.0.4");
  EXPECT_EQ(read_user_ethernet_ip(3), "127.0.0.3");
  EXPECT_EQ(read_user_ethernet_ip(4), "127.0.0.4");
  EXPECT_EQ(count_user_ethernet_ips(), 3);
}

TEST_F(PortTableTest, RemovingAnAddressNumbersTheRestAgain) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> values;  // in listing order
    const char* removed;
    std::vector<std::string> left;  // virtualip1 upwards
  } cases[] = {
      {"middle of three", {{"virtualip1", "A"}, {"virtualip2", "B"}, {"virtualip3", "C"}}, "B", {"A", "C"}},
      {"first, trimmed", {{"virtualip1", " A "}, {"virtualip2", "B"}}, "A", {"B"}},
      {"not listed", {{"virtualip1", "A"}, {"virtualip2", "B"}}, "Z", {"A", "B"}},
      {"listed out of order", {{"virtualip2", "B"}, {"virtualip1", "A"}, {"virtualip3", "C"}}, "C", {"B", "A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    empty_key(user_ethernet_key);
    for (const auto& [name, text] : c.values) ethernet_key()->write_string(name, text);
    remove_user_ethernet_ip(c.removed);
    std::vector<std::string> left;
    for (int n = 1; n <= static_cast<int>(c.values.size()); ++n) {
      const ShortText ip = read_user_ethernet_ip(n);
      if (!ip.empty()) left.emplace_back(ip.view());
    }
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(count_user_ethernet_ips(), static_cast<std::int32_t>(c.left.size()));
  }
}

TEST_F(PortTableTest, UserAddressesAreListedOnceAndNamedUserSpecified) {
  add_user_ethernet_ip("127.0.0.8");
  add_user_ethernet_ip("127.0.0.9");
  ethernet_key()->write_string("virtualip5", "127.0.0.8 ");
  SCAN_PORTS();
  EXPECT_EQ(port_counts().found_ethernet_count, 2);
  EXPECT_EQ(GET_PORT_NAME(61, 256), "127.0.0.8  :  User Specified");
  EXPECT_TRUE(port_table().ethernet[0].user_specified);
  EXPECT_EQ(GET_ETHERNET_PORT_IP(62), "127.0.0.9");
  EXPECT_EQ(GET_ETHERNET_PORT_IP(60), "");
  EXPECT_EQ(GET_ETHERNET_PORT_IP(100), "");
  EXPECT_EQ(port_table().values[62], PortTable::present);
  EXPECT_EQ(port_table().values[63], 0u);
}

TEST_F(PortTableTest, FindingAnEthernetPortAddsItWhenAsked) {
  add_user_ethernet_ip("127.0.0.8");
  std::uint16_t port = 7;
  FIND_ETHERNET_PORT(" 127.0.0.8", port, false);
  EXPECT_EQ(port, 61);
  port = 7;
  FIND_ETHERNET_PORT("127.0.0.30", port, false);
  EXPECT_EQ(port, 7);
  FIND_ETHERNET_PORT("  ", port, true);
  EXPECT_EQ(port, 7);
  FIND_ETHERNET_PORT("127.0.0.30", port, true);
  EXPECT_EQ(port, 62);
  EXPECT_EQ(GET_PORT_NAME(62, 256), "127.0.0.30  :  User Specified");
  EXPECT_EQ(count_user_ethernet_ips(), 1) << "the registry list is the user's to change";
}

TEST_F(PortTableTest, TheEthernetListHolds39Entries) {
  SCAN_PORTS();
  for (int n = 1; n <= 45; ++n) add_user_ethernet_device("127.0.1." + std::to_string(n));
  EXPECT_EQ(port_counts().found_ethernet_count, 39);
  EXPECT_EQ(GET_ETHERNET_PORT_IP(99), "127.0.1.39");
  std::uint16_t port = 0;
  FIND_ETHERNET_PORT("127.0.1.45", port, true);
  EXPECT_EQ(port, 0);
}

TEST_F(PortTableTest, ThePciDelay) {
  EXPECT_EQ(port_table().pci_delay_count, 10);
  EXPECT_EQ(port_table().pci_delay_field, 10u << 22);
  struct Case {
    std::int32_t setting;
    std::uint16_t count;
  } cases[] = {{0, 10}, {5, 10}, {40, 40}, {70000, 0xFFFF}};
  for (const Case& c : cases) {
    apply_pci_delay(c.setting);
    EXPECT_EQ(port_table().pci_delay_count, c.count) << c.setting;
    EXPECT_EQ(port_table().pci_delay_field, std::uint32_t{c.count & 31u} << 22) << c.setting;
  }
  set_pci_delay(1, 3);
  EXPECT_EQ(port_table().pci_delay_count, 0xFFFF) << "only card type 0 takes a delay";
}

// A discovery reply with this device text, and no acknowledgement.
std::vector<sap_testing::Bytes> discovery_answer(const sap_testing::Bytes& request, const std::string& text) {
  sap_testing::Bytes reply{0, 3, request[2], request[3], 0, 0};
  for (const char c : text) reply.push_back(static_cast<std::uint8_t>(c));
  return {reply};
}

// Discovery on loopback: the programmer that answers the broadcast is at 127.0.0.1.
class PortScanEthernetTest : public sap_testing::EthernetTest {
 protected:
  void SetUp() override {
    EthernetTest::SetUp();
    platform::net_settings().programmer_port = listener_.socket.bound_port();
    listener_.script = [](const sap_testing::Bytes& request) {
      return discovery_answer(request, "VLX,0,Bench Pro,F4,5,6,F7,F8,Rev. C");
    };
  }

  port_testing::ScopedPortUnit unit_;
  ScriptedPeer listener_{"127.255.255.255"};
};

TEST_F(PortScanEthernetTest, WithoutTheEthernetScanNothingIsBroadcast) {
  port_table().ethernet_scan_enabled = false;
  add_user_ethernet_ip("127.0.0.2");
  SCAN_PORTS();
  EXPECT_TRUE(listener_.requests.empty());
  EXPECT_EQ(port_counts().found_ethernet_count, 1);
  EXPECT_EQ(GET_PORT_NAME(61, 256), "127.0.0.2  :  User Specified");
  EXPECT_EQ(get_device_udp_port(), listener_.socket.bound_port()) << "user addresses are reached at the programmer port";
}

TEST_F(PortScanEthernetTest, ADiscoveredDeviceAlsoEnteredByTheUserIsListedOnce) {
  add_user_ethernet_ip("127.0.0.1");
  add_user_ethernet_ip("127.0.0.3");
  SCAN_PORTS();
  ASSERT_EQ(listener_.requests.size(), 1u);
  EXPECT_EQ(port_counts().found_ethernet_count, 2);
  EXPECT_EQ(GET_PORT_NAME(61, 256), "127.0.0.1  :  Bench Pro");
  EXPECT_FALSE(port_table().ethernet[0].user_specified);
  EXPECT_EQ(GET_PORT_NAME(62, 256), "127.0.0.3  :  User Specified");
}

TEST_F(PortScanEthernetTest, OnlyType0DevicesWithoutTheSentinelAreTaken) {
  struct Case {
    const char* reply;
    std::int32_t listed;
  } cases[] = {
      {"VLX,0,Bench Pro,F4,5,6,F7,F8,Rev. C", 1},
      {"VLX,1,Other,F4,5,6,F7,F8,Rev. C,MAC,1,2,F13,Extra,F15", 0},
      {"VLX,0,Odd,F4,5,6,F7,F8,fafhasdfuiasdhfuiasdn fico shr", 0},
  };
  for (const Case& c : cases) {
    reset_port_table();
    const std::string reply = c.reply;
    listener_.script = [reply](const sap_testing::Bytes& request) { return discovery_answer(request, reply); };
    SCAN_PORTS();
    EXPECT_EQ(port_counts().found_ethernet_count, c.listed) << c.reply;
  }
}

}  // namespace
}  // namespace vx
