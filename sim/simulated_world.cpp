#include "sim/simulated_world.h"

#include <array>
#include <cstdlib>
#include <fstream>

#include "platform/dynlib.h"
#include "platform/ftdi.h"
#include "platform/osbdm.h"
#include "platform/pcicard.h"
#include "platform/portio.h"
#include "platform/wdusb.h"

namespace vx::sim {
namespace {

constexpr std::string_view osbdm_library = "VXOSBDMV1.DLL", osbdm_usb_library = "libusb0.dll";
constexpr std::uint8_t nvopt_secured = 0xFF, nvopt_unsecured = 0xFE;

std::string state_text(StateFileResult result) {
  switch (result) {
    case StateFileResult::Ok: return "";
    case StateFileResult::CannotOpen: return "cannot open the state file";
    case StateFileResult::CannotWrite: return "cannot write the state file";
    case StateFileResult::Malformed: return "the state file is damaged";
    case StateFileResult::OtherDevice: return "the state file belongs to another device";
  }
  return "";
}

}  // namespace

SimulatedWorld::SimulatedWorld(const Scenario& scenario)
    : state_file_(scenario.target.state_file),
      clock_(scenario.time_mode),
      previous_clock_(platform::install_clock(&clock_)),
      ftdi_(&clock_, scenario.usb_round_trip_ns),
      usb_(&clock_, scenario.usb_round_trip_ns),
      parallel_(&clock_),
      previous_serial_(platform::install_serial_backend(nullptr)),
      serial_(*previous_serial_) {
  prepare_target(scenario.target);
  add_interfaces(scenario);
  for (std::size_t i = 0; i < interface_count_ && i < interface_flash_.size() && state_problem_.empty(); ++i) {
    if (!pods_[i]->restore_flash_image(interface_flash_[i])) {
      state_problem_ = state_text(StateFileResult::OtherDevice);
      state_file_.clear();
    }
  }
  add_programmers(scenario);
  keep_flash_written();
  platform::install_ftdi_bus(&ftdi_);
  platform::install_usb_bus(&usb_);
  previous_vendor_ = platform::set_usb_vendor_id(scenario_default_vendor);
  platform::install_parallel_ports(&parallel_);
  platform::install_pci_card_driver(&pci_);
  platform::install_serial_backend(&serial_);
  for (const OsbdmBoardConfig& board : scenario.osbdm_boards) {
    const std::string problem = osbdm_.add(board);
    if (state_problem_.empty()) state_problem_ = problem;
  }
  previous_osbdm_ = platform::install_osbdm_backend(&osbdm_);
  // The OSBDM library only asks that the USB library be present.
  platform::register_builtin_library(osbdm_usb_library, platform::entryless_library_entry);
  platform::register_builtin_library(osbdm_library, platform::osbdm_library_entry);
  if (!lines_.empty()) {
    clock_.set_busy_check([this] {
      for (const std::unique_ptr<SimProgrammerLine>& line : lines_) {
        if (line->line() != nullptr && line->line()->busy()) return true;
      }
      return false;
    });
  }
}

void SimulatedWorld::add_interfaces(const Scenario& scenario) {
  std::array<std::uint16_t, 3> bios_table{};
  std::size_t cables = 0;
  for (const ScenarioInterface& interface : scenario.interfaces) {
    PodConfig firmware = interface.firmware;
    const bool cable = interface.family == ScenarioInterface::Family::parallel ||
                       interface.family == ScenarioInterface::Family::pci;
    firmware.layout = cable ? FlashLayout::cable : FlashLayout::usb;
    pods_.push_back(std::make_unique<Pod>(firmware, &target_, &clock_));
    Pod* pod = pods_.back().get();
    switch (interface.family) {
      case ScenarioInterface::Family::ftdi: ftdi_.add({interface.serial, interface.description, pod}); break;
      case ScenarioInterface::Family::windriver:
        usb_.add({interface.information, interface.vendor, interface.product, pod, nullptr});
        break;
      case ScenarioInterface::Family::parallel:
        parallel_.add(interface.base_address, pod);
        if (cables < bios_table.size()) bios_table[cables++] = interface.base_address;
        break;
      case ScenarioInterface::Family::pci: pci_.add(pod); break;
    }
  }
  interface_count_ = pods_.size();
  // The card's driver maps the same BIOS table the parallel ports are listed in.
  pci_.set_bios_lpt_table(bios_table);
}

void SimulatedWorld::add_programmers(const Scenario& scenario) {
  previous_net_ = platform::net_settings();
  platform::NetSettings& net = platform::net_settings();
  net.broadcast_address = "127.255.255.255";
  net.loopback_only = true;
  std::uint16_t port = scenario.programmer_port;
  for (const ScenarioProgrammer& programmer : scenario.programmers) {
    pods_.push_back(std::make_unique<Pod>(PodConfig{}, &target_, &clock_));
    programmers_.push_back(std::make_unique<SimProgrammer>(programmer.config, pods_.back().get()));
    SimProgrammer* simulated = programmers_.back().get();
    restore_programmer(programmers_.size() - 1);
    if (programmer.medium == ScenarioProgrammer::Medium::usb) {
      usb_.add({programmer.config.identity, scenario_default_vendor, programmer.product, nullptr,
                [simulated](std::span<const std::uint8_t> frame) { return simulated->execute_frame(frame); }});
      continue;
    }
    if (programmer.medium == ScenarioProgrammer::Medium::serial) {
      lines_.push_back(std::make_unique<SimProgrammerLine>(*simulated));
      serial_.add(programmer.com, lines_.back()->device_path());
      continue;
    }
    servers_.push_back(std::make_unique<SimProgrammerUdp>(*simulated, programmer.address, port, net.broadcast_address));
    servers_.back()->set_locked(programmer.locked);
    port = servers_.back()->port();
  }
  if (!servers_.empty()) net.programmer_port = port;
}

SimulatedWorld::~SimulatedWorld() {
  platform::unregister_builtin_library(osbdm_library);
  platform::unregister_builtin_library(osbdm_usb_library);
  platform::install_osbdm_backend(previous_osbdm_);
  osbdm_.save();
  platform::install_serial_backend(previous_serial_);
  clock_.set_busy_check(nullptr);
  lines_.clear();
  servers_.clear();
  const std::vector<platform::UdpResponder*> responders = platform::net_settings().responders;
  platform::net_settings() = previous_net_;
  platform::net_settings().responders = responders;
  platform::install_pci_card_driver(nullptr);
  platform::install_parallel_ports(nullptr);
  platform::set_usb_vendor_id(previous_vendor_);
  platform::install_usb_bus(nullptr);
  platform::install_ftdi_bus(nullptr);
  platform::install_clock(previous_clock_);
  for (std::size_t k = 0; k < programmers_.size(); ++k) save_programmer(k);
  save_target_and_interfaces();
}

// Interfaces and programmers save themselves at each write to their flash, so that a run killed
// in the middle of a firmware update leaves them as far as they got.
void SimulatedWorld::keep_flash_written() {
  for (std::size_t i = 0; i < interface_count_; ++i) {
    pods_[i]->flash_writes().set_keeper([this] { with_lines_held([this] { save_target_and_interfaces(); }); });
  }
  for (std::size_t k = 0; k < programmers_.size(); ++k) {
    programmers_[k]->flash_writes().set_keeper([this, k] { save_programmer(k); });
  }
}

void SimulatedWorld::save_target_and_interfaces() const {
  if (state_file_.empty()) return;
  InterfaceFlash interfaces;
  for (std::size_t i = 0; i < interface_count_; ++i) interfaces.push_back(pods_[i]->flash_image());
  target_.save_flash(state_file_.string(), interfaces);
}

void SimulatedWorld::save_programmer(std::size_t k) const {
  if (state_file_.empty()) return;
  replace_state_file(programmer_state_file(k).string(), programmers_[k]->saved_state());
}

std::filesystem::path SimulatedWorld::programmer_state_file(std::size_t k) const {
  return state_file_.string() + ".programmer" + std::to_string(k + 1);
}

// A programmer's flash kept beside the state file; one of another size is not ours and is ignored.
void SimulatedWorld::restore_programmer(std::size_t k) {
  if (state_file_.empty()) return;
  std::ifstream in(programmer_state_file(k), std::ios::binary);
  if (!in) return;
  std::vector<std::uint8_t> state(programmer_flash_size + 2);
  in.read(reinterpret_cast<char*>(state.data()), static_cast<std::streamsize>(state.size()));
  state.resize(static_cast<std::size_t>(in.gcount()));
  programmers_[k]->restore_state(state);
}

void SimulatedWorld::hold_lines(std::size_t first, const std::function<void()>& f) {
  if (first == lines_.size()) return f();
  SimProgrammerPty* line = lines_[first]->line();
  if (line == nullptr) return hold_lines(first + 1, f);
  line->with_programmer([&](SimProgrammer&) { hold_lines(first + 1, f); });
}

void SimulatedWorld::prepare_target(const ScenarioTarget& target) {
  target_.poke(target_.config().nvopt, target.secured ? nvopt_secured : nvopt_unsecured);
  const bool has_state = !state_file_.empty() && std::filesystem::exists(state_file_);
  if (has_state) {
    state_problem_ = state_text(target_.load_flash(state_file_.string(), &interface_flash_));
    // A damaged file is kept as it is for a look, never replaced by a blank part.
    if (!state_problem_.empty()) state_file_.clear();
  } else if (!target.image.empty()) {
    std::ifstream in(target.image, std::ios::binary);
    std::uint32_t address = target.image_address;
    for (char byte = 0; address <= 0xFFFF && in.get(byte); ++address) {
      target_.poke(static_cast<std::uint16_t>(address), static_cast<std::uint8_t>(byte));
    }
  }
  target_.power_on(false);
}

SimulationStart start_simulation_from_environment() {
  const char* file = std::getenv("VX_SIM");
  if (file == nullptr || *file == '\0') return {};
  ScenarioResult loaded = load_scenario(file);
  if (!loaded.scenario) return {nullptr, std::string(file) + ": " + loaded.error};
  auto world = std::make_unique<SimulatedWorld>(*loaded.scenario);
  if (!world->state_problem().empty()) return {nullptr, std::string(file) + ": " + world->state_problem()};
  return {std::move(world), ""};
}

}  // namespace vx::sim
