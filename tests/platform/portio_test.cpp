#include "platform/portio.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "platform/portio_ppdev.h"
#include "support/temp_dir.h"
#include "support/unprivileged_child.h"

namespace vx::platform {
namespace {

void write_text(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << text;
}

TEST(PpdevPortSet, BaseAddressesInPortOrder) {
  test::TempDir proc;
  write_text(proc.path() / "parport10" / "base-addr", "53248\t53256\n");
  write_text(proc.path() / "parport2" / "base-addr", "632\t1656\n");
  write_text(proc.path() / "parport0" / "base-addr", "888\t1912\n");
  write_text(proc.path() / "parport1" / "base-addr", "junk\n");
  write_text(proc.path() / "parport3" / "base-addr", "0\t0\n");
  write_text(proc.path() / "parport4" / "base-addr", "99999999999999999999\n");
  write_text(proc.path() / "parportx" / "base-addr", "956\n");
  write_text(proc.path() / "parport5" / "other", "956\n");
  std::filesystem::create_directories(proc.path() / "default");
  PpdevPortSet ports(proc.path(), proc.path());
  EXPECT_EQ(ports.base_addresses(), (std::vector<std::uint16_t>{0x378, 0x278, 0xD000}));
}

TEST(PpdevPortSet, NoParallelPortSupport) {
  test::TempDir proc;
  PpdevPortSet missing(proc.path() / "absent", proc.path());
  EXPECT_EQ(missing.base_addresses(), std::nullopt);
  EXPECT_EQ(missing.open(0x378), nullptr);
  PpdevPortSet empty(proc.path(), proc.path());
  EXPECT_EQ(empty.base_addresses(), std::vector<std::uint16_t>{});
}

TEST(PpdevPortSet, ANonDeviceCannotBeClaimed) {
  test::TempDir dir;
  write_text(dir.path() / "proc" / "parport0" / "base-addr", "888\t1912\n");
  write_text(dir.path() / "dev" / "parport0", "");
  PpdevPortSet ports(dir.path() / "proc", dir.path() / "dev");
  EXPECT_EQ(ports.open(0x378), nullptr);
  EXPECT_EQ(ports.open_problem(), (dir.path() / "dev" / "parport0").string() +
                                       " cannot be opened: Inappropriate ioctl for device");
  EXPECT_EQ(ports.open(0x278), nullptr);
  EXPECT_EQ(ports.open_problem(), "") << "no port at that address: no node was tried";
}

// Reads as a floating bus, and says once which node and what to do.
TEST(PpdevPortSet, APortTheUserMayNotOpenIsToldOnce) {
  test::TempDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  write_text(dir.path() / "proc" / "parport0" / "base-addr", "888\t1912\n");
  const std::filesystem::path node = dir.path() / "dev" / "parport0";
  write_text(node, "");
  ASSERT_EQ(chmod(node.c_str(), 0600), 0);
  const std::string answer = test::in_unprivileged_child([&] {
    PpdevPortSet ports(dir.path() / "proc", dir.path() / "dev");
    install_parallel_ports(&ports);
    const std::uint8_t status = port_read(0x379);
    port_write(0x378, 0x55);
    const std::string first = take_claim_problem();
    const std::string again = take_claim_problem();
    install_parallel_ports(nullptr);
    return std::to_string(status) + "|" + first + "|" + again;
  });
  EXPECT_EQ(answer, "255|No permission to open " + node.string() +
                        ": give the device a udev rule that lets your user open it (see README)|");
}

TEST(PpdevPortSet, RealPortOpens) {
  if (!std::filesystem::exists("/dev/parport0")) GTEST_SKIP() << "skipped: this machine has no /dev/parport0";
  PpdevPortSet ports;
  const std::optional<std::vector<std::uint16_t>> bases = ports.base_addresses();
  ASSERT_TRUE(bases.has_value());
  ASSERT_FALSE(bases->empty());
  std::unique_ptr<ParallelPort> port = ports.open(bases->front());
  if (!port) GTEST_SKIP() << "skipped: /dev/parport0 cannot be claimed by this user";
  port->read(PortRegister::status);
}

// Register files at fixed bases; counts claims and listings.
class RegisterPorts final : public ParallelPortSet {
 public:
  std::optional<std::vector<std::uint16_t>> base_addresses() override {
    ++listings;
    return std::vector<std::uint16_t>{0x378, 0x278};
  }
  std::unique_ptr<ParallelPort> open(std::uint16_t base) override {
    ++claims[base];
    if (base == 0x278) return nullptr;
    return std::make_unique<Registers>(registers);
  }

  std::array<std::uint8_t, 3> registers{};
  std::uint32_t listings = 0;
  std::map<std::uint16_t, std::uint32_t> claims;

 private:
  class Registers final : public ParallelPort {
   public:
    explicit Registers(std::array<std::uint8_t, 3>& registers) : registers_(registers) {}
    std::uint8_t read(PortRegister reg) override { return registers_[static_cast<std::size_t>(reg)]; }
    void write(PortRegister reg, std::uint8_t value) override { registers_[static_cast<std::size_t>(reg)] = value; }

   private:
    std::array<std::uint8_t, 3>& registers_;
  };
};

TEST(PortIo, AddressesReachTheirPortClaimedOnFirstUse) {
  RegisterPorts ports;
  install_parallel_ports(&ports);
  port_write(0x378, 0x12);
  port_write(0x37A, 0x07);
  ports.registers[1] = 0x88;
  EXPECT_EQ(port_read(0x378), 0x12);
  EXPECT_EQ(port_read(0x379), 0x88);
  EXPECT_EQ(port_read(0x37A), 0x07);
  EXPECT_EQ(port_read(0x37B), 0xFF);
  EXPECT_EQ(port_read(0x377), 0xFF);
  EXPECT_EQ(ports.claims[0x378], 1u);
  // A port that cannot be claimed floats, and is not asked again.
  EXPECT_EQ(port_read(0x279), 0xFF);
  port_write(0x27A, 1);
  EXPECT_EQ(ports.claims[0x278], 1u);
  EXPECT_EQ(ports.listings, 1u);
  release_port_access();
  EXPECT_EQ(port_read(0x378), 0x12);
  EXPECT_EQ(ports.claims[0x378], 2u);
  install_parallel_ports(nullptr);
}

}  // namespace
}  // namespace vx::platform
