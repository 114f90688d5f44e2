#include <gtest/gtest.h>

#include "platform/windows_1252.h"

namespace vx::platform {
namespace {

TEST(Windows1252, EveryByteComesBackAndTheTypographicRowIsMapped) {
  for (int byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(to_windows_1252(from_windows_1252(static_cast<unsigned char>(byte))), byte) << byte;
  }
  struct Case {
    unsigned char byte;
    char32_t character;
  };
  const Case cases[] = {{0x41, U'A'}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x9F, 0x0178},
                        {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}};
  for (const Case& c : cases) EXPECT_EQ(from_windows_1252(c.byte), c.character) << int{c.byte};
  for (const char32_t missing : {char32_t{0x0100}, char32_t{0x4E2D}, char32_t{0x1F600}}) {
    EXPECT_FALSE(to_windows_1252(missing)) << static_cast<unsigned>(missing);
  }
}

}  // namespace
}  // namespace vx::platform
