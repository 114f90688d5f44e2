#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/registry.h"
#include "programmer/network_card.h"
#include "support/temp_dir.h"

namespace vx::programmer {
namespace {

class NetworkCardTest : public ::testing::Test {
 protected:
  NetworkCardTest() { setenv("VX_REGISTRY_FILE", dir.file("registry.ini").c_str(), 1); }
  ~NetworkCardTest() override { unsetenv("VX_REGISTRY_FILE"); }
  test::TempDir dir;
};

TEST_F(NetworkCardTest, WithoutAValueTheKeyIsMadeAndTheAddressIsEmpty) {
  EXPECT_EQ(read_network_card_ip(), "");
  EXPECT_TRUE(platform::Registry::current_user().open_key("Software\\Velmorix\\NetworkCardIP"));
}

TEST_F(NetworkCardTest, TheStoredValueIsReturnedAsStoredAndCutAt255) {
  const auto key = platform::Registry::current_user().create_key("Software\\Velmorix\\NetworkCardIP");
  ASSERT_TRUE(key);
  key->write_string("ip", " 192.168.1.20 ");
  EXPECT_EQ(read_network_card_ip(), " 192.168.1.20 ");
  key->write_string("ip", std::string(300, '1'));
  EXPECT_EQ(read_network_card_ip(), std::string(255, '1'));
}

TEST_F(NetworkCardTest, AnUnusableStoreGivesTheEmptyText) {
  setenv("VX_REGISTRY_FILE", dir.path().c_str(), 1);
  EXPECT_EQ(read_network_card_ip(), "");
}

}  // namespace
}  // namespace vx::programmer
