#include "platform/portio_ppdev.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <string_view>
#include <system_error>

#include "platform/device_access.h"

namespace vx::platform {
namespace {

class PpdevPort final : public ParallelPort {
 public:
  explicit PpdevPort(int fd) : fd_(fd) {}
  ~PpdevPort() override {
    ioctl(fd_, PPRELEASE);
    close(fd_);
  }
  PpdevPort(const PpdevPort&) = delete;
  PpdevPort& operator=(const PpdevPort&) = delete;

  // A failed ioctl reads as a floating bus.
  std::uint8_t read(PortRegister reg) override {
    unsigned char value = 0xFF;
    const unsigned long request = reg == PortRegister::data     ? PPRDATA
                                  : reg == PortRegister::status ? PPRSTATUS
                                                                : PPRCONTROL;
    if (ioctl(fd_, request, &value) != 0) return 0xFF;
    return value;
  }

  // The status register is read-only.
  void write(PortRegister reg, std::uint8_t value) override {
    unsigned char byte = value;
    if (reg == PortRegister::data) ioctl(fd_, PPWDATA, &byte);
    if (reg == PortRegister::control) ioctl(fd_, PPWCONTROL, &byte);
  }

 private:
  int fd_;
};

// "parport12" -> 12.
std::optional<unsigned> port_number(std::string_view name) {
  constexpr std::string_view prefix = "parport";
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return std::nullopt;
  unsigned number = 0;
  const char* last = name.data() + name.size();
  const auto [end, error] = std::from_chars(name.data() + prefix.size(), last, number);
  if (error != std::errc{} || end != last) return std::nullopt;
  return number;
}

// The first decimal number of base-addr ("888\t1912").
std::optional<std::uint16_t> read_base(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::array<char, 32> text{};
  in.read(text.data(), text.size());
  const char* last = text.data() + in.gcount();
  unsigned long base = 0;
  const auto [end, error] = std::from_chars(text.data(), last, base);
  if (error != std::errc{} || end == text.data() || base == 0 || base > 0xFFFD) return std::nullopt;
  return static_cast<std::uint16_t>(base);
}

}  // namespace

PpdevPortSet::PpdevPortSet(std::filesystem::path proc_dir, std::filesystem::path device_dir)
    : proc_dir_(std::move(proc_dir)), device_dir_(std::move(device_dir)) {}

std::optional<std::vector<PpdevPortSet::Listed>> PpdevPortSet::list() {
  std::error_code error;
  std::filesystem::directory_iterator entries(proc_dir_, error);
  if (error) return std::nullopt;
  std::vector<Listed> listed;
  for (const auto& entry : entries) {
    const std::optional<unsigned> number = port_number(entry.path().filename().string());
    if (!number) continue;
    const std::optional<std::uint16_t> base = read_base(entry.path() / "base-addr");
    if (base) listed.push_back({*number, *base});
  }
  std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) { return a.number < b.number; });
  return listed;
}

std::optional<std::vector<std::uint16_t>> PpdevPortSet::base_addresses() {
  const std::optional<std::vector<Listed>> listed = list();
  if (!listed) return std::nullopt;
  std::vector<std::uint16_t> bases;
  for (const Listed& port : *listed) bases.push_back(port.base);
  return bases;
}

std::unique_ptr<ParallelPort> PpdevPortSet::open(std::uint16_t base) {
  problem_.clear();
  const std::optional<std::vector<Listed>> listed = list();
  if (!listed) return nullptr;
  const auto found = std::find_if(listed->begin(), listed->end(), [base](const Listed& port) { return port.base == base; });
  if (found == listed->end()) return nullptr;
  const std::filesystem::path device = device_dir_ / ("parport" + std::to_string(found->number));
  const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    problem_ = device_open_problem(device.string(), errno);
    return nullptr;
  }
  if (ioctl(fd, PPCLAIM) != 0) {
    problem_ = device_open_problem(device.string(), errno);
    close(fd);
    return nullptr;
  }
  return std::make_unique<PpdevPort>(fd);
}

}  // namespace vx::platform
