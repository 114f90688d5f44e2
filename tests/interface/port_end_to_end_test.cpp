#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/kstring.h"
#include "foundation/run_state.h"
#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/ethernet_transport.h"
#include "interface/port_table.h"
#include "interface/serial_transport.h"
#include "platform/dynlib.h"
#include "platform/ftdi.h"
#include "sim/scenario.h"
#include "sim/simulated_world.h"
#include "tests/interface/port_test_support.h"
#include "tests/interface/protocol_test_support.h"
#include "tests/interface/target_bench.h"

namespace vx {
namespace {

using target_testing::Bytes;

constexpr std::uint16_t reset_target_pc = 0xF000;

struct PortKind {
  const char* name;
  std::uint16_t port;
  std::size_t pod;  // the world's interface that carries the port's commands
};

// The ports of the example bench after the scan, and the world's pod behind each.
const PortKind every_port_kind[] = {
    {"Parallel", 1, 0},  {"PciCard", 11, 1},         {"FtdiUsb", 21, 2},         {"WinDriverUsb", 22, 3},
    {"SerialProgrammer", 41, 4}, {"EthernetProgrammer", 61, 5}, {"UsbProgrammer", 101, 7},
};

// The program on the example bench with every kind of port: units started
// as at program start, the ports scanned and the Ethernet scan on loopback.
class PortBench : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ScenarioResult loaded = sim::load_scenario(VX_EVERY_PORT_SCENARIO);
    ASSERT_TRUE(loaded.scenario) << loaded.error;
    // The bench's flash state stays where it is.
    loaded.scenario->target.state_file.clear();
    target_testing::reset_target_units();
    world_ = std::make_unique<sim::SimulatedWorld>(*loaded.scenario);
    give_reset_vector();
    start_ftdi_binding();
    start_serial_transport();
    start_ethernet_transport(1, "127.0.0.1");
  }
  void TearDown() override {
    close_all_ports();
    finish_serial_transport();
    finish_ethernet_transport();
    target_testing::reset_target_units();
    platform::reset_ftdi_handles();
    platform::reset_dynlib();
    world_.reset();
  }

  // The devices are shared with the serial programmer's thread.
  template <typename F>
  auto on_bench(F f) {
    decltype(f()) result{};
    world_->with_lines_held([&] { result = f(); });
    return result;
  }
  void on_bench_do(const std::function<void()>& f) { world_->with_lines_held(f); }

  // Code behind the reset vector: BRA * at the reset address.
  void give_reset_vector() {
    on_bench_do([this] {
      sim::Hcs08& mcu = world_->target();
      mcu.poke(0xFFFE, reset_target_pc >> 8);
      mcu.poke(0xFFFF, reset_target_pc & 0xFF);
      mcu.poke(reset_target_pc, 0x20);
      mcu.poke(reset_target_pc + 1, 0xFE);
    });
  }
  sim::RunState target_state() {
    return on_bench([this] { return world_->target().state(); });
  }

  // The start-up's part: the port opened, the interface reset, the target in background mode.
  void open_and_start(std::uint16_t port) {
    SCAN_PORTS();
    ASSERT_TRUE(LOAD_PORT_DRIVER(port));
    RESET_CABLE();
    start_target_on_port();
    ASSERT_EQ(target_state(), sim::RunState::Background);
  }

  port_testing::ScopedPortUnit unit_;
  test::ScopedStatusOutput status_;
  std::unique_ptr<sim::SimulatedWorld> world_;
};

class EveryPortKind : public PortBench, public ::testing::WithParamInterface<PortKind> {};

INSTANTIATE_TEST_SUITE_P(OnTheExampleBench, EveryPortKind, ::testing::ValuesIn(every_port_kind),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(PortBench, TheScanFindsOneDeviceOfEveryKind) {
  port_testing::RecordingPortList list;
  SCAN_PORTS();
  EXPECT_EQ(list.items, (std::vector<std::string>{
                            "LPT1 : Parallel Port 1 (Address $0378)",
                            "PCI1 : BDM Fulgrin Card 1 (Address $" +
                                std::string(hex_long(sim::SimPciCardDriver::region_address(1, 1)).view()) + ")",
                            "USB1 : VLX USB BDM (VX3000101)",
                            "USB2 : USB Quorvex (QX12R00042)",
                            "127.0.0.2  :  Tamberly Pro",
                            "127.0.0.3  :  Tamberly Pro",
                            "COM1 : Serial Port 1",
                            "COM2 : Serial Port 2",
                            "COM3 : Serial Port 3",
                            "COM4 : Serial Port 4",
                            "USB1 : Tamberly Pro (PROUSB)",
                        }));
}

TEST_P(EveryPortKind, TargetAccessThroughTheOpenedPort) {
  const PortKind kind = GetParam();
  open_and_start(kind.port);
  EXPECT_EQ(port_state().open_port_number, kind.port);

  WRITE_DATA_BYTE(0x0080, 0x5A);
  EXPECT_EQ(READ_DATA_BYTE(0x0080), 0x5A);
  WRITE_DATA_WORD(0x0082, 0x1234);
  EXPECT_EQ(READ_DATA_WORD(0x0082), 0x1234);

  const Bytes block = target_testing::counting(300, 3);
  PUT_DATA_BYTE_BLOCK(0x0200, static_cast<std::uint16_t>(block.size()), block.data());
  Bytes back(block.size());
  GET_DATA_BYTE_BLOCK(0x0200, static_cast<std::uint16_t>(back.size()), back.data());
  EXPECT_EQ(back, block);

  // GO: LDA #$42; STA $0180; BGND, then the sync check after the command.
  const Bytes routine = {0xA6, 0x42, 0xC7, 0x01, 0x80, 0x82};
  PUT_DATA_BYTE_BLOCK(0x0100, static_cast<std::uint16_t>(routine.size()), routine.data());
  mcu_registers().PC = 0x0100;
  mcu_registers().SP = 0x0FFF;
  PUT_PC();
  RESUME();
  WAIT_FOR_FREEZE_OR_KEY();
  EXPECT_FALSE(run_state().abort_flag);
  EXPECT_EQ(READ_DATA_BYTE(0x0180), 0x42);
  GET_PC();
  EXPECT_EQ(mcu_registers().PC, 0x0106);
  EXPECT_TRUE(check_target_after_command());

  // A reset of the target between commands is recovered.
  on_bench_do([this] { world_->target().reset(false); });
  EXPECT_TRUE(check_target_after_command());
  EXPECT_EQ(target_state(), sim::RunState::Background);
  EXPECT_EQ(status_output().lines.back(), "Warning a RESET has occured.");
  EXPECT_EQ(READ_DATA_BYTE(0x0080), 0x5A);
  EXPECT_TRUE(on_bench([&] { return world_->pod(kind.pod).violations().empty(); }));
}

TEST_P(EveryPortKind, ADeadTargetFailsTheCheckAfterACommand) {
  const PortKind kind = GetParam();
  open_and_start(kind.port);
  ASSERT_TRUE(check_target_after_command());
  on_bench_do([&] { world_->pod(kind.pod).set_target_dead(true); });
  EXPECT_FALSE(check_target_after_command());
}

TEST_P(EveryPortKind, ALostAcknowledgementHaltsWith45) {
  const PortKind kind = GetParam();
  open_and_start(kind.port);
  on_bench_do([&] { world_->pod(kind.pod).inject(sim::PodFault::no_ack); });
  protocol_testing::expect_halt([] { READ_DATA_BYTE(0x0080); });
}

TEST_F(PortBench, AWinDriverReadTimeOutIsFollowedByExactlyOneResync) {
  open_and_start(22);
  sim::Pod& pod = world_->pod(3);
  pod.keep_wire_log(true);
  const std::size_t before = pod.wire_log().size();
  pod.inject(sim::PodFault::no_ack);
  protocol_testing::expect_halt([] { READ_DATA_BYTE(0x0080); });
  std::size_t resyncs = 0;
  for (std::size_t i = before; i < pod.wire_log().size(); ++i) {
    resyncs += pod.wire_log()[i].command == Bytes{7, 0xFF} ? 1 : 0;
  }
  EXPECT_EQ(resyncs, 1u);
}

TEST_F(PortBench, ARefusingProgrammerIsTakenOver) {
  sim::SimProgrammerUdp& shared = world_->udp_programmer(1);
  ASSERT_TRUE(shared.locked());
  open_and_start(62);
  EXPECT_FALSE(shared.locked());
  EXPECT_EQ(port_state().open_ethernet_ip, "127.0.0.3");
  WRITE_DATA_BYTE(0x0081, 0xA5);
  EXPECT_EQ(READ_DATA_BYTE(0x0081), 0xA5);
  EXPECT_TRUE(world_->pod(6).violations().empty());
}

}  // namespace
}  // namespace vx
