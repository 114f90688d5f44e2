#include "platform/ftdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "platform/dynlib.h"
#include "platform/ftdi_libftdi.h"
#include "support/scoped_platform.h"

namespace vx::platform {
namespace {

// A device that echoes every write back, and may fail.
struct EchoState {
  std::deque<std::uint8_t> pending;
  std::vector<std::uint32_t> purges;
  FT_STATUS failure = ft::ok;
  std::uint8_t latency = 0;
};

class EchoPort final : public FtdiPort {
 public:
  explicit EchoPort(EchoState& state) : state_(state) {}
  FT_STATUS write(std::span<const std::uint8_t> bytes) override {
    state_.pending.insert(state_.pending.end(), bytes.begin(), bytes.end());
    return state_.failure;
  }
  FT_STATUS read_available(std::vector<std::uint8_t>& into) override {
    into.insert(into.end(), state_.pending.begin(), state_.pending.end());
    state_.pending.clear();
    return state_.failure;
  }
  FT_STATUS reset() override { return state_.failure; }
  FT_STATUS purge(std::uint32_t mask) override {
    state_.purges.push_back(mask);
    return ft::ok;
  }
  FT_STATUS set_latency_timer(std::uint8_t milliseconds) override {
    state_.latency = milliseconds;
    return ft::ok;
  }
  FT_STATUS read_user_area(std::span<std::uint8_t> into, std::uint32_t& count) override {
    count = into.empty() ? 0 : 1;
    if (!into.empty()) into[0] = 0x5A;
    return ft::ok;
  }

 private:
  EchoState& state_;
};

class EchoBus final : public FtdiBus {
 public:
  std::optional<std::vector<FtdiListing>> list() override {
    if (!listable) return std::nullopt;
    return devices;
  }
  std::unique_ptr<FtdiPort> open(std::string_view serial) override {
    for (const FtdiListing& device : devices) {
      if (device.serial == serial) return std::make_unique<EchoPort>(state);
    }
    return nullptr;
  }
  bool listable = true;
  std::vector<FtdiListing> devices;
  EchoState state;
};

template <typename Function>
Function bind(LibraryHandle library, const char* name) {
  return reinterpret_cast<Function>(library_entry(library, name));
}

class FtdiTest : public testing::Test {
 protected:
  void SetUp() override {
    install_ftdi_bus(&bus_);
    library_ = load_library("VXUSBV1.dll");
    list_ = bind<FT_ListDevices_fn>(library_, "FT_ListDevices");
    open_ = bind<FT_OpenEx_fn>(library_, "FT_OpenEx");
    close_ = bind<FT_Close_fn>(library_, "FT_Close");
    read_ = bind<FT_Read_fn>(library_, "FT_Read");
    write_ = bind<FT_Write_fn>(library_, "FT_Write");
    queue_ = bind<FT_GetQueueStatus_fn>(library_, "FT_GetQueueStatus");
  }
  void TearDown() override {
    reset_ftdi_handles();
    install_ftdi_bus(nullptr);
    reset_dynlib();
  }

  FT_HANDLE open_first() {
    FT_HANDLE handle = nullptr;
    char serial[] = "VX3000001";
    EXPECT_EQ(open_(serial, ft::open_by_serial_number, &handle), ft::ok);
    return handle;
  }

  EchoBus bus_;
  LibraryHandle library_ = 0;
  FT_ListDevices_fn list_ = nullptr;
  FT_OpenEx_fn open_ = nullptr;
  FT_Close_fn close_ = nullptr;
  FT_Read_fn read_ = nullptr;
  FT_Write_fn write_ = nullptr;
  FT_GetQueueStatus_fn queue_ = nullptr;
};

TEST_F(FtdiTest, ListingCountsAndCutsTextsToTheBufferSizes) {
  bus_.devices = {{"VX3000001", "VLX short"},
                  {"VX3-A-VERY-LONG-SERIAL-NUMBER", std::string(100, 'D')}};
  std::uint32_t count = 0;
  ASSERT_EQ(list_(&count, nullptr, ft::list_number_only), ft::ok);
  EXPECT_EQ(count, 2u);

  char buffer[128];
  std::memset(buffer, 'x', sizeof buffer);
  ASSERT_EQ(list_(reinterpret_cast<void*>(std::uintptr_t{1}), buffer, ft::list_by_index | ft::open_by_serial_number),
            ft::ok);
  EXPECT_EQ(std::strlen(buffer), ft::serial_buffer_size - 1);
  EXPECT_EQ(buffer[ft::serial_buffer_size], 'x');
  ASSERT_EQ(list_(reinterpret_cast<void*>(std::uintptr_t{1}), buffer,
                  ft::list_by_index | ft::open_by_description),
            ft::ok);
  EXPECT_EQ(std::string(buffer), std::string(ft::description_buffer_size - 1, 'D'));
  EXPECT_EQ(list_(reinterpret_cast<void*>(std::uintptr_t{2}), buffer, ft::list_by_index | ft::open_by_serial_number),
            ft::device_not_found);

  bus_.listable = false;
  EXPECT_NE(list_(&count, nullptr, ft::list_number_only), ft::ok);
}

TEST_F(FtdiTest, ReadAheadCountsWhatArrivedAndReadTakesItInOrder) {
  test::ScopedVirtualClock virtual_clock;
  bus_.devices = {{"VX3000001", "VLX one"}};
  FT_HANDLE handle = open_first();
  std::uint8_t frame[] = {0xAA, 0x55, 0x00, 0x01, 0x90};
  std::uint32_t done = 0;
  ASSERT_EQ(write_(handle, frame, sizeof frame, &done), ft::ok);
  EXPECT_EQ(done, sizeof frame);
  std::uint32_t waiting = 0;
  ASSERT_EQ(queue_(handle, &waiting), ft::ok);
  EXPECT_EQ(waiting, 5u);

  std::uint8_t reply[8] = {};
  ASSERT_EQ(read_(handle, reply, 2, &done), ft::ok);
  EXPECT_EQ(done, 2u);
  EXPECT_EQ(reply[0], 0xAA);
  ASSERT_EQ(queue_(handle, &waiting), ft::ok);
  EXPECT_EQ(waiting, 3u);

  // Asking for more than there is waits out the read time-out, then hands out what there is.
  const std::uint64_t before = virtual_clock->now_nanoseconds();
  ASSERT_EQ(bind<FT_SetTimeouts_fn>(library_, "FT_SetTimeouts")(handle, 40, 40), ft::ok);
  ASSERT_EQ(read_(handle, reply, 8, &done), ft::ok);
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(reply[2], 0x90);
  EXPECT_GE(virtual_clock->now_nanoseconds() - before, 40'000'000u);
}

TEST_F(FtdiTest, PurgeOfTheReceiveSideDropsTheReadAhead) {
  bus_.devices = {{"VX3000001", "VLX one"}};
  FT_HANDLE handle = open_first();
  std::uint8_t byte = 0xEE;
  std::uint32_t done = 0;
  write_(handle, &byte, 1, &done);
  std::uint32_t waiting = 0;
  queue_(handle, &waiting);
  ASSERT_EQ(waiting, 1u);
  ASSERT_EQ(bind<FT_Purge_fn>(library_, "FT_Purge")(handle, ft::purge_rx | ft::purge_tx), ft::ok);
  queue_(handle, &waiting);
  EXPECT_EQ(waiting, 0u);
  EXPECT_EQ(bus_.state.purges, std::vector<std::uint32_t>{3});
  ASSERT_EQ(bind<FT_SetLatencyTimer_fn>(library_, "FT_SetLatencyTimer")(handle, 1), ft::ok);
  EXPECT_EQ(bus_.state.latency, 1);
}

TEST_F(FtdiTest, ClosedAndUnknownHandlesAreRefused) {
  bus_.devices = {{"VX3000001", "VLX one"}};
  FT_HANDLE handle = open_first();
  EXPECT_EQ(close_(handle), ft::ok);
  EXPECT_EQ(close_(handle), ft::invalid_handle);
  std::uint32_t waiting = 7;
  EXPECT_EQ(queue_(handle, &waiting), ft::invalid_handle);
  std::uint8_t byte = 0;
  std::uint32_t done = 9;
  EXPECT_EQ(read_(handle, &byte, 1, &done), ft::invalid_handle);
  EXPECT_EQ(done, 0u);
  FT_HANDLE other = nullptr;
  char missing[] = "VX3999999";
  EXPECT_EQ(open_(missing, ft::open_by_serial_number, &other), ft::device_not_found);
  char by_description[] = "VLX one";
  EXPECT_EQ(open_(by_description, ft::open_by_description, &other), ft::ok);
}

TEST_F(FtdiTest, DeviceFailuresComeBackAsTheirStatus) {
  bus_.devices = {{"VX3000001", "VLX one"}};
  FT_HANDLE handle = open_first();
  bus_.state.failure = ft::io_error;
  std::uint8_t byte = 1;
  std::uint32_t done = 0;
  EXPECT_EQ(write_(handle, &byte, 1, &done), ft::io_error);
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(bind<FT_Handle_fn>(library_, "FT_ResetDevice")(handle), ft::io_error);
  EXPECT_EQ(bind<FT_SetBaudRate_fn>(library_, "FT_SetBaudRate")(handle, 9600), ft::not_supported);
}

// Interfaces carry product identifiers of their own: the vendor alone decides.
TEST(LibftdiBus, ListsEveryDeviceOfTheChipMakersVendor) {
  const std::pair<std::uint16_t, bool> cases[] = {{0x0403, true}, {0x0402, false}, {0x0000, false}, {0xFFFF, false}};
  for (const auto& [vendor, taken] : cases) EXPECT_EQ(ftdi_listing_takes(vendor), taken) << vendor;
}

TEST(LibftdiBus, ListsNoDeviceWhenNoneIsPresent) {
  const std::optional<std::vector<FtdiListing>> devices = libftdi_bus().list();
  if (devices) {
    EXPECT_TRUE(devices->empty());
  }
  EXPECT_EQ(libftdi_bus().open("VX3000001"), nullptr);
}

}  // namespace
}  // namespace vx::platform
