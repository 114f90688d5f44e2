#include "sim/scenario.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <fstream>

#include "platform/net.h"

namespace vx::sim {
namespace {

constexpr std::size_t max_file_size = 64 * 1024;
constexpr std::size_t max_interfaces = 38;  // 19 of each family
constexpr std::size_t max_programmers = 38;  // 19 on USB, the rest on the network
constexpr std::uint64_t max_com_port = 19;
// More than the library's list holds, so that a full bus can be described.
constexpr std::size_t max_osbdm_boards = 24;
// The port scan looks at parallel ports 1-5 and PCI cards 1-6.
constexpr std::size_t max_parallel_cables = 5, max_pci_cards = 6;

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) text.remove_suffix(1);
  return text;
}

std::string lower(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return result;
}

std::optional<std::uint64_t> number(std::string_view text, std::uint64_t limit) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || value > limit) return std::nullopt;
  return value;
}

std::optional<bool> yes_no(std::string_view text) {
  const std::string word = lower(text);
  if (word == "yes" || word == "true" || word == "1") return true;
  if (word == "no" || word == "false" || word == "0") return false;
  return std::nullopt;
}

bool version_text(std::string_view text) {
  return text.empty() || (text.size() == 4 && text[1] == '.' && std::isdigit(static_cast<unsigned char>(text[2])) &&
                          std::isdigit(static_cast<unsigned char>(text[3])));
}

class Parser {
 public:
  explicit Parser(const std::filesystem::path& base) : base_(base) {}

  ScenarioResult parse(std::string_view text) {
    std::size_t line_number = 0;
    while (!text.empty()) {
      ++line_number;
      const std::size_t end = text.find('\n');
      const std::string_view line = trim(text.substr(0, end));
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      if (line.empty() || line.front() == ';' || line.front() == '#') continue;
      const std::string problem = line.front() == '[' ? section(line) : setting(line);
      if (!problem.empty()) return {std::nullopt, "line " + std::to_string(line_number) + ": " + problem};
    }
    const std::string problem = check_interfaces();
    if (!problem.empty()) return {std::nullopt, problem};
    return {scenario_, ""};
  }

 private:
  std::string check_interfaces() const {
    using Family = ScenarioInterface::Family;
    std::vector<std::uint16_t> bases;
    std::size_t cards = 0;
    for (const ScenarioInterface& interface : scenario_.interfaces) {
      switch (interface.family) {
        case Family::ftdi:
          if (interface.serial.empty()) return "an FTDI interface needs a serial";
          break;
        case Family::windriver:
          if (interface.information.empty()) return "a WinDriver interface needs information";
          break;
        case Family::parallel:
          if (std::find(bases.begin(), bases.end(), interface.base_address) != bases.end()) {
            return "two parallel cables at one base address";
          }
          bases.push_back(interface.base_address);
          break;
        case Family::pci: ++cards; break;
      }
    }
    if (bases.size() > max_parallel_cables) return "more than 5 parallel cables";
    if (cards > max_pci_cards) return "more than 6 PCI cards";
    std::vector<std::uint16_t> com_ports;
    for (const ScenarioProgrammer& programmer : scenario_.programmers) {
      if (programmer.medium != ScenarioProgrammer::Medium::serial) continue;
      if (std::find(com_ports.begin(), com_ports.end(), programmer.com) != com_ports.end()) {
        return "two programmers on one COM port";
      }
      com_ports.push_back(programmer.com);
    }
    return "";
  }

  std::string section(std::string_view line) {
    if (line.back() != ']') return "unclosed section name";
    const std::string name = lower(trim(line.substr(1, line.size() - 2)));
    if (name == "time" || name == "target" || name == "network") {
      section_ = name;
    } else if (name.starts_with("programmer")) {
      if (scenario_.programmers.size() == max_programmers) return "too many programmers";
      scenario_.programmers.emplace_back();
      section_ = "programmer";
    } else if (name.starts_with("osbdm")) {
      if (scenario_.osbdm_boards.size() == max_osbdm_boards) return "too many OSBDM boards";
      scenario_.osbdm_boards.emplace_back();
      section_ = "osbdm";
    } else if (name.starts_with("interface")) {
      if (scenario_.interfaces.size() == max_interfaces) return "too many interfaces";
      scenario_.interfaces.emplace_back();
      section_ = "interface";
    } else {
      return "unknown section [" + name + "]";
    }
    return "";
  }

  std::string setting(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return "expected key = value";
    const std::string key = lower(trim(line.substr(0, equals)));
    const std::string_view value = trim(line.substr(equals + 1));
    if (section_ == "time") return time_setting(key, value);
    if (section_ == "target") return target_setting(key, value);
    if (section_ == "interface") return interface_setting(scenario_.interfaces.back(), key, value);
    if (section_ == "programmer") return programmer_setting(scenario_.programmers.back(), key, value);
    if (section_ == "osbdm") return osbdm_setting(scenario_.osbdm_boards.back(), key, value);
    if (section_ == "network") {
      if (key == "programmer_port") return assign_number(value, 0xFFFF, scenario_.programmer_port);
      return "unknown network setting " + key;
    }
    return "setting outside a section";
  }

  std::string time_setting(const std::string& key, std::string_view value) {
    if (key == "mode") {
      const std::string mode = lower(value);
      if (mode != "virtual" && mode != "real") return "time mode is virtual or real";
      scenario_.time_mode = mode == "virtual" ? SimClock::Mode::virtual_time : SimClock::Mode::real_time;
      return "";
    }
    if (key == "usb_round_trip_us") {
      const std::optional<std::uint64_t> microseconds = number(value, 1'000'000);
      if (!microseconds) return "bad round trip";
      scenario_.usb_round_trip_ns = *microseconds * 1000;
      return "";
    }
    return "unknown time setting " + key;
  }

  std::string target_setting(const std::string& key, std::string_view value) {
    ScenarioTarget& target = scenario_.target;
    if (key == "device") return lower(value) == "default" ? "" : "unknown device model";
    if (key == "state_file") return file(value, target.state_file);
    if (key == "image") return file(value, target.image);
    if (key == "image_address") return assign_number(value, 0xFFFF, target.image_address);
    if (key == "secured") return assign_flag(value, target.secured);
    return "unknown target setting " + key;
  }

  std::string interface_setting(ScenarioInterface& interface, const std::string& key, std::string_view value) {
    if (key == "family") {
      using Family = ScenarioInterface::Family;
      constexpr std::array<std::pair<std::string_view, Family>, 4> families{
          {{"ftdi", Family::ftdi}, {"windriver", Family::windriver}, {"parallel", Family::parallel}, {"pci", Family::pci}}};
      const std::string family = lower(value);
      for (const auto& [name, kind] : families) {
        if (family == name) {
          interface.family = kind;
          return "";
        }
      }
      return "family is ftdi, windriver, parallel or pci";
    }
    if (key == "base") {
      // Ports at 0x40 and below are never driven; the control register must fit below 0x10000.
      const std::string problem = assign_number(value, 0xFFFD, interface.base_address);
      if (problem.empty() && interface.base_address <= 0x40) return "a parallel port's base lies above 0x40";
      return problem;
    }
    if (key == "serial") return text(value, 15, interface.serial);
    if (key == "description") return text(value, 63, interface.description);
    if (key == "information") return text(value, 1276, interface.information);
    if (key == "vendor") return assign_number(value, 0xFFFF, interface.vendor);
    if (key == "product") return assign_number(value, 0xFFFF, interface.product);
    if (key == "updated_firmware") return firmware(value, interface.firmware.updated_firmware);
    if (key == "original_firmware") return firmware(value, interface.firmware.original_firmware);
    if (key == "checksum") return assign_flag(value, interface.firmware.updated_checksum);
    if (key == "protect_byte") return assign_number(value, 0xFF, interface.firmware.protect_byte);
    if (key == "updated_starts") return assign_flag(value, interface.firmware.updated_starts);
    if (key == "universal") return assign_flag(value, interface.firmware.universal);
    if (key == "fx_logic") return assign_flag(value, interface.firmware.fx_logic);
    PodFlashFaults& faults = interface.firmware.flash_faults;
    const std::array<std::pair<std::string_view, std::uint32_t*>, 8> counts{{{"refuse_erase", &faults.refuse_erase},
                                                                             {"refuse_row", &faults.refuse_row},
                                                                             {"refuse_key", &faults.refuse_key},
                                                                             {"refuse_checksum", &faults.refuse_checksum},
                                                                             {"refuse_protect", &faults.refuse_protect},
                                                                             {"power_cut_after", &faults.power_cut_after},
                                                                             {"hold_row", &faults.hold_row},
                                                                             {"hold_ms", &faults.hold_ms}}};
    for (const auto& [name, count] : counts) {
      if (key == name) return assign_number(value, 0xFFFFFFFF, *count);
    }
    if (key == "stuck_byte") {
      std::uint32_t address = 0;
      const std::string problem = assign_number(value, 0xFFFFF, address);
      if (problem.empty()) faults.stuck_byte = address;
      return problem;
    }
    if (key == "running") {
      const std::string running = lower(value);
      if (running != "updated" && running != "original") return "running is updated or original";
      interface.firmware.run_updated = running == "updated";
      return "";
    }
    return "unknown interface setting " + key;
  }

  std::string programmer_setting(ScenarioProgrammer& programmer, const std::string& key, std::string_view value) {
    SimProgrammerConfig& config = programmer.config;
    if (key == "medium") {
      const std::string medium = lower(value);
      if (medium == "udp") {
        programmer.medium = ScenarioProgrammer::Medium::udp;
      } else if (medium == "usb") {
        programmer.medium = ScenarioProgrammer::Medium::usb;
      } else if (medium == "serial") {
        programmer.medium = ScenarioProgrammer::Medium::serial;
      } else {
        return "medium is udp, usb or serial";
      }
      return "";
    }
    if (key == "com") {
      const std::string problem = assign_number(value, max_com_port, programmer.com);
      return problem.empty() && programmer.com == 0 ? "com is 1 to 19" : problem;
    }
    if (key == "address") {
      if (!platform::is_loopback_address(std::string(value))) return "a programmer's address is a loopback address";
      programmer.address = std::string(value);
      return "";
    }
    if (key == "locked") return assign_flag(value, programmer.locked);
    if (key == "product") return assign_number(value, 0xFFFF, programmer.product);
    if (key == "identity") return text(value, 255, config.identity);
    if (key == "version") return text(value, 255, config.version);
    if (key == "kernel") return text(value, 255, config.kernel_name);
    if (key == "device_info") return text(value, 249, config.device_info);
    if (key == "kernel_version") return firmware(value, config.kernel_version);
    if (key == "logic_version") return text(value, 255, config.logic_version);
    if (key == "image_logic_version") return text(value, 255, config.image_logic_version);
    if (key == "logic_update_fails") return assign_flag(value, config.logic_update_fails);
    if (key == "corrupt_manufacturing") return assign_flag(value, config.corrupt_manufacturing);
    if (key == "refuse_erase") return assign_number(value, 0xFFFFFFFF, config.refuse_erase);
    if (key == "refuse_unlock") return assign_number(value, 0xFFFFFFFF, config.refuse_unlock);
    if (key == "refuse_write") return assign_number(value, 0xFFFFFFFF, config.refuse_write);
    if (key == "wrong_byte_write") return assign_number(value, 0xFFFFFFFF, config.wrong_byte_write);
    if (key == "silent_after_reset") return assign_number(value, 0xFFFFFFFF, config.silent_after_reset);
    if (key == "extra_text") return text(value, 60, config.extra_text);
    if (key == "architecture_channel") return assign_number(value, 0xFF, config.architecture_channel);
    if (key == "command_offset") return assign_number(value, 0xFF, config.command_offset);
    return "unknown programmer setting " + key;
  }

  std::string osbdm_setting(OsbdmBoardConfig& board, const std::string& key, std::string_view value) {
    if (key == "state_file") return file(value, board.state_file);
    if (key == "mode") {
      const std::string mode = lower(value);
      if (mode != "debug" && mode != "bootloader") return "mode is debug or bootloader";
      board.bootloader = mode == "bootloader";
      return "";
    }
    if (key == "version") return version_bytes(value, board.version);
    if (key == "exchange_status") return assign_number(value, 0xFF, board.faults.exchange_status);
    OsbdmBoardFaults& faults = board.faults;
    const std::array<std::pair<std::string_view, bool*>, 5> flags{{{"refuse_open", &faults.refuse_open},
                                                                   {"refuse_version", &faults.refuse_version},
                                                                   {"refuse_erase", &faults.refuse_erase},
                                                                   {"refuse_program", &faults.refuse_program},
                                                                   {"verify_mismatch", &faults.verify_mismatch}}};
    for (const auto& [name, flag] : flags) {
      if (key == name) return assign_flag(value, *flag);
    }
    return "unknown osbdm setting " + key;
  }

  // Eight numbers separated by commas.
  static std::string version_bytes(std::string_view value, std::array<std::uint8_t, 8>& into) {
    std::array<std::uint8_t, 8> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const std::size_t comma = value.find(',');
      if ((comma == std::string_view::npos) != (i + 1 == bytes.size())) return "a version is eight bytes";
      const std::optional<std::uint64_t> byte = number(trim(value.substr(0, comma)), 0xFF);
      if (!byte) return "bad version byte";
      bytes[i] = static_cast<std::uint8_t>(*byte);
      value.remove_prefix(comma == std::string_view::npos ? value.size() : comma + 1);
    }
    into = bytes;
    return "";
  }

  std::string file(std::string_view value, std::filesystem::path& path) {
    if (value.empty()) return "empty file name";
    path = base_ / std::filesystem::path(std::string(value));
    return "";
  }

  static std::string text(std::string_view value, std::size_t limit, std::string& into) {
    if (value.size() > limit) return "longer than " + std::to_string(limit) + " characters";
    into = std::string(value);
    return "";
  }

  static std::string firmware(std::string_view value, std::string& into) {
    if (!version_text(value)) return "a firmware version reads like 5.12";
    into = std::string(value);
    return "";
  }

  template <typename Integer>
  static std::string assign_number(std::string_view value, std::uint64_t limit, Integer& into) {
    const std::optional<std::uint64_t> parsed = number(value, limit);
    if (!parsed) return "bad number " + std::string(value);
    into = static_cast<Integer>(*parsed);
    return "";
  }

  static std::string assign_flag(std::string_view value, bool& into) {
    const std::optional<bool> flag = yes_no(value);
    if (!flag) return "expected yes or no";
    into = *flag;
    return "";
  }

  std::filesystem::path base_;
  std::string section_;
  Scenario scenario_;
};

}  // namespace

ScenarioResult parse_scenario(std::string_view text, const std::filesystem::path& base) {
  return Parser(base).parse(text);
}

ScenarioResult load_scenario(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {std::nullopt, "cannot open " + file.string()};
  std::string text;
  text.resize(max_file_size + 1);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > max_file_size) return {std::nullopt, "scenario larger than 64 KB"};
  return parse_scenario(text, file.parent_path());
}

}  // namespace vx::sim
