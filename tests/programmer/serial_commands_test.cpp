#include "programmer/serial_commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "programmer_fixture.h"

namespace vx::programmer {
namespace {

using test::ProgrammerTest;

class SerialCommandsTest : public ProgrammerTest {
 protected:
  SerialCommandsTest() { reset_serial_state(); }
  ~SerialCommandsTest() override { reset_serial_state(); }

  // The command line as the loop leaves it: comment cut, cursor behind the mnemonic.
  static void command_line(const std::string& line) {
    CommandLoop& loop = command_loop();
    loop.current_line = ShortText(line.substr(0, line.find(';')));
    loop.line_cursor = 1;
    next_line_word();
  }

  std::string contents(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(SerialCommandsTest, ChoosingReadsTheFileAfterTheMnemonicWithoutTheComment) {
  const std::string path = write("unit.ser", "030000FF00393030393030393530");
  command_line("   cs   " + path + "  ; the next board");
  EXPECT_FALSE(halt_of(choose_serial_file));
  EXPECT_EQ(programmer_run().serial_file_name, path);
  EXPECT_TRUE(serial_state().selected);
  EXPECT_EQ(serial_state().display_text, "005");
}

TEST_F(SerialCommandsTest, AMissingFileEndsWith16) {
  const std::string path = dir.file("none.ser");
  command_line("CS " + path);
  EXPECT_EQ(halt_of(choose_serial_file), 16);
  EXPECT_FALSE(serial_state().selected);
  const std::vector<std::string> expected{"", ".SER file " + path + " not found."};
  const std::vector<std::string> written = lines();
  ASSERT_GE(written.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(written.end() - 3, written.end() - 1), expected);
}

TEST_F(SerialCommandsTest, AFileThatDoesNotReadEndsWith53AndDeselects) {
  for (const char* text : {"03", "000000FF00", "170000FF00393030", "030000FF00393030393030393Z30"}) {
    const std::string path = write("bad.ser", text);
    command_line("CS " + path);
    EXPECT_EQ(halt_of(choose_serial_file), 53) << text;
    EXPECT_FALSE(serial_state().selected) << text;
    EXPECT_TRUE(serial_state().display_text.empty()) << text;
    const std::vector<std::string> written = lines();
    EXPECT_NE(std::find(written.begin(), written.end(), "Error reading Serial File " + path), written.end()) << text;
  }
}

TEST_F(SerialCommandsTest, TheLastNumberEndsWith55AndLeavesTheFileAsItWas) {
  const std::string text = "020000FF00393930393930";
  const std::string path = write("last.ser", text);
  command_line("CS " + path);
  ASSERT_FALSE(halt_of(choose_serial_file));
  EXPECT_EQ(halt_of(increment_serial_number), 55);
  const std::vector<std::string> written = lines();
  ASSERT_GE(written.size(), 2u);
  EXPECT_EQ(written.end()[-2], "Error - Can NOT update Serial Number.");
  EXPECT_EQ(contents(path), text);
}

TEST_F(SerialCommandsTest, AFileGoneBeforeItIsReadAgainIsAnInputOutputFailure) {
  const std::string path = write("gone.ser", "010000FF00393030");
  command_line("CS " + path);
  ASSERT_FALSE(halt_of(choose_serial_file));
  std::remove(path.c_str());
  EXPECT_THROW(read_serial_file(), std::runtime_error);
}

}  // namespace
}  // namespace vx::programmer
