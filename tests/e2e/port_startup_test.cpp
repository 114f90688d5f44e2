#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "programmer_run.h"

namespace vx {
namespace {

using test::ProgrammerInstall;
using test::run_programmer;

std::string text_of(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(PortStartup, ShowportsListsEveryInterfaceTypeAndEnds) {
  ProgrammerInstall install;
  const std::string list = install.file("list.txt");
  const test::ProgrammerResult result = run_programmer(install, {"NOSCAN", "SHOWPORTS=" + list, "not looked at"});
  EXPECT_EQ(result.exit_code, 0) << result.output;
  // Parallel ports first, then the bench's two USB interfaces; serial ports only where this machine has them.
  EXPECT_EQ(text_of(list).rfind("port=1                                  , LPT1 : Parallel Port 1 (Not Detected)\r\n"
                                "interface=usbquorvex port=USB1          , USB1 : VLX USB BDM (VX3000101)\r\n"
                                "interface=usbquorvex port=USB2          , USB2 : USB Quorvex (QX12R00042)\r\n",
                                0),
            0u)
      << text_of(list);
  EXPECT_EQ(result.output.find("CMD>"), std::string::npos) << "no script runs";
}

// Each line's left part as the command line takes it back, for one port of every kind.
TEST(PortStartup, ShowportsNamesEveryKindOfPort) {
  ProgrammerInstall install;
  std::filesystem::copy_file(VX_EVERY_PORT_SCENARIO, install.file("bench.ini"),
                             std::filesystem::copy_options::overwrite_existing);
  const std::string list = install.file("ports.txt");
  const test::ProgrammerResult result = run_programmer(install, {"SHOWPORTS"});
  ASSERT_EQ(result.exit_code, 0) << result.output;
  const std::string text = text_of(list);
  for (const char* line : {
           "port=1                                  , LPT1 : Parallel Port 1 (Address $0378)\r\n",
           "interface=usbquorvex port=USB2          , USB2 : USB Quorvex (QX12R00042)\r\n",
           "interface=tamberly port=COM1            , COM1 : Serial Port 1\r\n",
           "interface=tamberly port=USB1            , USB1 : Tamberly Pro (PROUSB)\r\n",
           "interface=tamberly port=127.0.0.2       , 127.0.0.2  :  Tamberly Pro\r\n",
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line << text;
  }
}

TEST(PortStartup, ShowportsAloneWritesBesideTheProgram) {
  ProgrammerInstall install;
  EXPECT_EQ(run_programmer(install, {"NOSCAN", "SHOWPORTS"}).exit_code, 0);
  EXPECT_TRUE(std::filesystem::exists(install.file("ports.txt")));
}

TEST(PortStartup, AListThatCannotBeWrittenEndsWith76) {
  ProgrammerInstall install;
  EXPECT_EQ(run_programmer(install, {"NOSCAN", "SHOWPORTS=" + install.file("no such folder/list.txt")}).exit_code, 76);
}

}  // namespace
}  // namespace vx
