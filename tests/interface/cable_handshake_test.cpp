#include "interface/cable_handshake.h"

#include <gtest/gtest.h>

#include <set>

#include "support/simulated_cable.h"

namespace vx {
namespace {

using test::SimulatedCable;

// A port whose status never changes: counts the polls the host makes.
class FixedStatusPorts final : public platform::ParallelPortSet {
 public:
  explicit FixedStatusPorts(std::uint8_t status) : status_(status) {}

  std::optional<std::vector<std::uint16_t>> base_addresses() override { return std::vector<std::uint16_t>{0x278}; }
  std::unique_ptr<platform::ParallelPort> open(std::uint16_t) override { return std::make_unique<Port>(*this); }

  std::uint8_t status_;
  std::uint8_t control = 0;
  std::uint32_t status_reads = 0;

 private:
  class Port final : public platform::ParallelPort {
   public:
    explicit Port(FixedStatusPorts& ports) : ports_(ports) {}
    std::uint8_t read(platform::PortRegister reg) override {
      if (reg == platform::PortRegister::control) return ports_.control;
      if (reg == platform::PortRegister::status) ++ports_.status_reads;
      return reg == platform::PortRegister::status ? ports_.status_ : 0;
    }
    void write(platform::PortRegister reg, std::uint8_t value) override {
      if (reg == platform::PortRegister::control) ports_.control = value;
    }

   private:
    FixedStatusPorts& ports_;
  };
};

TEST(NibbleDecodeTable, KnownEntriesAndOneByteForEveryPair) {
  const auto& table = nibble_decode_table();
  EXPECT_EQ(table[0x00], 0xC0);
  EXPECT_EQ(table[0x01], 0xC4);
  EXPECT_EQ(table[0x80], 0x40);
  EXPECT_EQ(table[0xFF], 0x3F);
  EXPECT_EQ(std::set<std::uint8_t>(table.begin(), table.end()).size(), 256u);
}

TEST(NibbleDecodeTable, SimulatedCableEncodesEveryByteTheHostDecodes) {
  EXPECT_EQ(sim::encode_reply_byte(0xC0), std::make_pair(std::uint8_t{0}, std::uint8_t{0}));
  for (unsigned byte = 0; byte < 256; ++byte) {
    const auto [first, second] = sim::encode_reply_byte(static_cast<std::uint8_t>(byte));
    EXPECT_EQ(first & 0x0F, 0);
    EXPECT_EQ(second & 0x0F, 0);
    EXPECT_EQ(nibble_decode_table()[first | (second >> 4)], byte);
  }
}

TEST(PortAccess, LowPortsAndOtherClassesAreNeverTouched) {
  SimulatedCable sim;
  FixedStatusPorts ports(0x5A);
  platform::install_parallel_ports(&ports);
  port_state().port_kind = PortState::kind_parallel;
  struct Case {
    std::uint8_t interface_class;
    std::uint16_t port;
    std::uint8_t read;
    std::uint32_t status_reads;
  };
  const Case cases[] = {{0, 0x279, 0x5A, 1}, {0, 0x40, 0xFF, 0}, {0, 0x00, 0xFF, 0}, {1, 0x279, 0, 0}, {2, 0x279, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.interface_class} << " " << c.port);
    ports.status_reads = 0;
    link_state().interface_class = static_cast<InterfaceClass>(c.interface_class);
    EXPECT_EQ(port_in(c.port), c.read);
    EXPECT_EQ(ports.status_reads, c.status_reads);
  }
  link_state().interface_class = InterfaceClass::usb_interface;
  port_out(0x27A, 6);
  EXPECT_EQ(ports.control, 0);
  link_state().interface_class = InterfaceClass::parallel_cable;
  port_out(0x27A, 6);
  EXPECT_EQ(ports.control, 6);
  platform::install_parallel_ports(nullptr);
}

TEST(PortAccess, PciCardKeepsControlWritesAndForwardsDataWrites) {
  SimulatedCable sim;
  ASSERT_EQ(vxdrv_open(1), vxdrv::success);
  port_state().port_kind = PortState::kind_pci_card;
  set_port_addresses(0x100);
  const std::uint32_t region4 = sim::SimPciCardDriver::region_address(1, 4);
  sim.cards.write_word(region4, 0);

  EXPECT_EQ(port_in(0x100), 0xFF);
  EXPECT_EQ(port_in(0x102), 0xFF);
  port_out(0x102, 0x06);
  EXPECT_EQ(port_in(0x102), 0x06);
  EXPECT_EQ(port_state().pci_card_shadow, 0xFFFFu);
  port_out(0x100, 0x42);
  EXPECT_EQ(port_in(0x100), 0x42);
  EXPECT_EQ(port_state().pci_card_shadow, 0xFF42u);
  port_out(0x103, 0x11);
  EXPECT_EQ(port_in(0x103), 0xFF);
  EXPECT_EQ(port_state().pci_card_shadow, 0xFF42u);
}

TEST(CountedWait, NeverAcknowledgingCableFailsWithTheStepNamedByTheControlRegister) {
  struct Case {
    bool reset_first;
    std::uint8_t control;
    const char* trace;
  };
  const Case cases[] = {{false, 6, "TIMEOUT3"}, {true, 7, "TIMEOUT2"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.trace);
    SimulatedCable sim;
    sim.cable.set_silent(true);
    link_state().interface_class = InterfaceClass::parallel_cable;
    sim.open_parallel();
    if (!c.reset_first) port_out(SimulatedCable::lpt_base + 2, c.control);
    sim.record_trace();
    const std::int64_t start = elapsed_microseconds();
    SEND8_revB(0x12);
    const std::int64_t took = elapsed_microseconds() - start;
    EXPECT_EQ(link_state().link_status, 0);
    EXPECT_TRUE(SimulatedCable::traced(c.trace));
    // About 4,900 steps of 10 us plus the fast polls.
    EXPECT_GT(took, 49'000);
    EXPECT_LT(took, 150'000);
  }
}

TEST(CountedWait, PollsFastThenTenMicrosecondsApartThenFastAgain) {
  SimulatedCable sim;
  FixedStatusPorts ports(0x00);
  platform::install_parallel_ports(&ports);
  link_state().interface_class = InterfaceClass::parallel_cable;
  set_port_addresses(0x278);
  ports.control = 6;
  SEND8_revB(0x12);
  EXPECT_EQ(link_state().link_status, 0);
  EXPECT_GT(ports.status_reads, 21'000u);
  EXPECT_LT(ports.status_reads, 21'500u);
  platform::install_parallel_ports(nullptr);
}

TEST(CountedWait, AbsentPortFailsInsteadOfWaitingForTheControlRegister) {
  SimulatedCable sim;
  link_state().interface_class = InterfaceClass::parallel_cable;
  set_port_addresses(0x3BC);
  SEND_CMD_revB(0x12, 1250);
  EXPECT_EQ(link_state().link_status, 0);
}

TEST(TimedWait, SlowCommandWithinItsTimeOutSucceeds) {
  SimulatedCable sim;
  sim.pod.keep_wire_log(true);
  link_state().interface_class = InterfaceClass::parallel_cable;
  sim.open_parallel();
  sim.cable.set_command_time_us(2'000'000);
  const std::int64_t start = elapsed_microseconds();
  const std::vector<std::uint16_t> words = SimulatedCable::command({4, 0x01, 0x00, 2}, 1, 3000);
  EXPECT_NE(link_state().link_status, 0);
  EXPECT_GE(elapsed_microseconds() - start, 2'000'000);
  ASSERT_EQ(sim.pod.wire_log().size(), 1u);
  EXPECT_EQ(words, std::vector<std::uint16_t>{sim.pod.memory().word(0x0100)});
}

TEST(TimedWait, CommandBeyondItsTimeOutFailsSoonAfterIt) {
  SimulatedCable sim;
  link_state().interface_class = InterfaceClass::parallel_cable;
  sim.open_parallel();
  sim.cable.set_command_time_us(10'000'000);
  const std::int64_t start = elapsed_microseconds();
  SimulatedCable::command({7, 3, 8}, 0, 1250);
  const std::int64_t took = elapsed_microseconds() - start;
  EXPECT_EQ(link_state().link_status, 0);
  EXPECT_GT(took, 1'250'000);
  EXPECT_LT(took, 1'500'000);
}

struct CommandCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  std::size_t words;
};

// Writes 0x1234 and 0xC0C0 into interface memory, then reads them back.
const std::vector<CommandCase> command_cases = {
    {"write word, 5 bytes", {2, 0x01, 0x00, 0x12, 0x34}, 0},
    {"write word of zero nibble pairs", {2, 0x01, 0x02, 0xC0, 0xC0}, 0},
    {"target type, 3 bytes", {7, 3, 8}, 0},
    {"read two words, 4 bytes", {4, 0x01, 0x00, 4}, 2},
    {"read one word, 4 bytes", {4, 0x01, 0x00, 2}, 1},
    {"one byte with a reply", {0xE4}, 1},
    {"two bytes, no reply", {0x49, 0x00}, 0},
};

void run_commands(SimulatedCable& sim) {
  sim.pod.keep_wire_log(true);
  std::vector<std::vector<std::uint16_t>> replies;
  for (const CommandCase& c : command_cases) {
    SCOPED_TRACE(c.name);
    replies.push_back(SimulatedCable::command(c.bytes, c.words));
    EXPECT_NE(link_state().link_status, 0);
  }
  ASSERT_EQ(sim.pod.wire_log().size(), command_cases.size());
  for (std::size_t i = 0; i < command_cases.size(); ++i) {
    EXPECT_EQ(sim.pod.wire_log()[i].command, command_cases[i].bytes) << command_cases[i].name;
  }
  EXPECT_EQ(sim.pod.target_type(), 8);
  EXPECT_EQ(replies[3], (std::vector<std::uint16_t>{0x1234, 0xC0C0}));
  EXPECT_EQ(replies[4], (std::vector<std::uint16_t>{0x1234}));
  EXPECT_EQ(sim.pod.violations(), std::vector<std::string>{});
}

TEST(CableCommands, TravelThroughTheHandshakeAndBack) {
  for (const bool slow : {false, true}) {
    SCOPED_TRACE(slow ? "slow mode" : "fast");
    SimulatedCable sim;
    link_state().interface_class = InterfaceClass::parallel_cable;
    sim.open_parallel();
    cable_handshake().slow_mode = slow;
    run_commands(sim);
    EXPECT_EQ(sim.cable.commands(), command_cases.size());
  }
}

TEST(CableCommands, TravelThroughThePciCard) {
  SimulatedCable sim;
  link_state().interface_class = InterfaceClass::parallel_cable;
  sim.open_pci_card();
  run_commands(sim);
  EXPECT_EQ(sim.card.commands(), command_cases.size());
}

TEST(CableCommands, ControlRegisterAlternatesWithEachOrdinaryByte) {
  SimulatedCable sim;
  link_state().interface_class = InterfaceClass::parallel_cable;
  sim.open_parallel();
  const std::uint16_t control = SimulatedCable::lpt_base + 2;
  SEND8_revB(2);
  EXPECT_EQ(port_in(control), 6);
  SEND8_revB(0x01);
  EXPECT_EQ(port_in(control), 7);
  SEND8_revB(0x00);
  EXPECT_EQ(port_in(control), 6);
  SEND8_revB(0x55);
  SEND_CMD_revB(0xAA, 1250);
  EXPECT_EQ(port_in(control), 7);
  EXPECT_NE(link_state().link_status, 0);
}

TEST(CableCommands, TracesNameBytesAndResult) {
  SimulatedCable sim;
  link_state().interface_class = InterfaceClass::parallel_cable;
  sim.open_parallel();
  SimulatedCable::command({2, 0x01, 0x00, 0xAB, 0xCD}, 0);
  sim.record_trace();
  SimulatedCable::command({4, 0x01, 0x00, 2}, 1);
  const std::vector<std::string>& lines = SimulatedCable::trace_lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_NE(lines[0].find("(HC=$FFxx/HE=$FFxx)SEND8_revB(0x04)"), std::string::npos);
  EXPECT_NE(lines[3].find("SEND_CMD_revB(0x02)"), std::string::npos);
  EXPECT_NE(lines[4].find("RECV16_RevB"), std::string::npos);
  EXPECT_NE(lines[5].find("Result = (0xABCD)"), std::string::npos);
}

TEST(CableFailures, InterfaceFaultsFailTheLinkAndLaterCallsDoNothing) {
  struct Case {
    sim::PodFault fault;
    std::vector<std::uint8_t> bytes;
    std::size_t words;
  };
  const Case cases[] = {
      {sim::PodFault::no_ack, {7, 3, 8}, 0},
      {sim::PodFault::wrong_ack, {4, 0x01, 0x00, 2}, 1},
      {sim::PodFault::short_reply, {4, 0x01, 0x00, 2}, 1},
  };
  for (const bool pci : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << (pci ? "card " : "cable ") << int(c.fault));
      SimulatedCable sim;
      sim.pod.keep_wire_log(true);
      link_state().interface_class = InterfaceClass::parallel_cable;
      if (pci) {
        sim.open_pci_card();
      } else {
        sim.open_parallel();
      }
      sim.pod.inject(c.fault);
      SimulatedCable::command(c.bytes, c.words);
      EXPECT_EQ(link_state().link_status, 0);
      SimulatedCable::command({7, 3, 8}, 0);
      EXPECT_EQ(sim.pod.wire_log().size(), 1u);
    }
  }
}

TEST(CableFailures, ResetRevivesTheCableAfterAFailure) {
  SimulatedCable sim;
  link_state().interface_class = InterfaceClass::parallel_cable;
  sim.open_parallel();
  sim.pod.inject(sim::PodFault::no_ack);
  SimulatedCable::command({7, 3, 8}, 0);
  ASSERT_EQ(link_state().link_status, 0);
  sim.reset_cable();
  SimulatedCable::command({2, 0x01, 0x00, 0x12, 0x34}, 0);
  EXPECT_EQ(SimulatedCable::command({4, 0x01, 0x00, 2}, 1), std::vector<std::uint16_t>{0x1234});
  EXPECT_NE(link_state().link_status, 0);
}

}  // namespace
}  // namespace vx
