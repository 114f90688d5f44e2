#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "loaders/elf_module.h"
#include "platform/scripted_dialogs.h"
#include "tests/loaders/loader_test_support.h"

// The fixtures are executables from real compilers and linkers; beside each
// lie objcopy's S-records of it and pyelftools' bytes of each PT_LOAD header
// (tests/fixtures/elf/regenerate.sh).
namespace vx::loaders {
namespace {

using test_support::ByteMap;
using test_support::bytes_of;
using test_support::Record;
using test_support::stored_records;

const std::filesystem::path fixtures = std::filesystem::path(VX_TEST_FIXTURES) / "elf";

struct SegmentBytes {
  std::uint32_t vaddr;
  std::uint32_t paddr;
  std::vector<std::uint8_t> bytes;
};

std::vector<SegmentBytes> read_segments(const std::string& base) {
  std::vector<SegmentBytes> segments;
  std::istringstream lines(test::read_file((fixtures / (base + ".segments")).string()));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string vaddr, paddr, hex;
    fields >> vaddr >> paddr >> hex;
    SegmentBytes segment{static_cast<std::uint32_t>(std::stoul(vaddr, nullptr, 16)),
                         static_cast<std::uint32_t>(std::stoul(paddr, nullptr, 16)),
                         {}};
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
      segment.bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    segments.push_back(segment);
  }
  return segments;
}

class ElfFixtureTest : public test_support::LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    previous_responder_ = platform::install_dialog_responder(&script_);
    start_object_loading();
  }
  void TearDown() override {
    platform::install_dialog_responder(previous_responder_);
    LoaderTest::TearDown();
  }

  // What objcopy's S-records hold, read by the S-record module.
  ByteMap srecord_bytes(const std::string& base) {
    EXPECT_TRUE(LOAD_OBJECT_FILE(ShortText((fixtures / (base + ".srec")).string()), load_object_bytes)) << base;
    EXPECT_EQ(get_object_file_format(), 1) << base;
    return bytes_of(stored_records());
  }

  // Loads the executable and checks its records against pyelftools' segments
  // placed by the chosen address field.
  void expect_segments_loaded(const std::string& base, bool physical) {
    SCOPED_TRACE(base);
    ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText((fixtures / (base + ".elf")).string()), load_object_bytes));
    EXPECT_EQ(get_object_file_format(), 3);
    const std::vector<Record> records = stored_records();
    ByteMap expected;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
    for (const SegmentBytes& s : read_segments(base)) {
      const std::uint32_t start = physical ? s.paddr : s.vaddr;
      for (std::size_t i = 0; i < s.bytes.size(); ++i) expected[static_cast<std::uint32_t>(start + i)] = s.bytes[i];
      if (!s.bytes.empty()) ranges.emplace_back(start, start + static_cast<std::uint32_t>(s.bytes.size()));
    }
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(bytes_of(records), expected);
    for (const Record& r : records) {
      ASSERT_LE(r.bytes.size(), 256u);
      const std::uint32_t start = static_cast<std::uint32_t>(r.address);
      const std::uint32_t end = start + static_cast<std::uint32_t>(r.bytes.size());
      bool inside_one = false;
      for (const auto& [first, last] : ranges) inside_one = inside_one || (start >= first && end <= last);
      EXPECT_TRUE(inside_one) << "a block crosses a segment end at " << std::hex << start;
    }
  }

  platform::ScriptedResponder script_;
  platform::DialogResponder* previous_responder_ = nullptr;
};

TEST_F(ElfFixtureTest, ObjectBytesAreThoseOfObjcopyAndPyelftools) {
  for (const char* base :
       {"s08_counter", "s08_stack_auto", "ppc_two_units", "hc11_paddr", "s08_srecord_text", "ppc_dwarf4", "ppc_dwarf5"}) {
    const ByteMap by_objcopy = srecord_bytes(base);
    ASSERT_FALSE(by_objcopy.empty()) << base;
    script_.answer_form(platform::result_yes);
    expect_segments_loaded(base, true);
    // objcopy writes section contents only; the loader also hands out the
    // padding between sections of one segment, which pyelftools shows.
    const ByteMap loaded = bytes_of(stored_records());
    for (const auto& [address, byte] : by_objcopy) {
      const auto found = loaded.find(address);
      ASSERT_NE(found, loaded.end()) << base << " lacks " << std::hex << address;
      EXPECT_EQ(found->second, byte) << base << " at " << std::hex << address;
    }
  }
}

TEST_F(ElfFixtureTest, CompilersOutputLoadsWithTheExpectedLinesAndQuestions) {
  const std::string unknown_machine = "WARNING - Unknown value specified for target architecture";
  for (const char* base : {"s08_counter", "s08_stack_auto"}) {
    status_output().lines.clear();
    expect_segments_loaded(base, false);
    EXPECT_TRUE(status_lines().empty()) << base;
  }
  status_output().lines.clear();
  expect_segments_loaded("ppc_two_units", false);
  EXPECT_EQ(status_lines(), std::vector<std::string>{unknown_machine});
  EXPECT_TRUE(script_.log().empty()) << "every p_paddr equals its p_vaddr";

  // The data segment of the 68HC11 program is stored at 0xE800 and runs at 0x0040.
  script_.answer_form(platform::result_no);
  expect_segments_loaded("hc11_paddr", false);
  ASSERT_EQ(script_.log().size(), 1u);
  EXPECT_EQ(script_.log()[0].answer, "No");
  EXPECT_EQ(stored_records().front().address, 0x0040);
}

TEST_F(ElfFixtureTest, TablesOfALinkedProgram) {
  current_debug_context().module.load_file_name = ShortText((fixtures / "ppc_two_units.elf").string());
  DEBUG_DLL_OPEN_ELF();
  ASSERT_EQ(get_debug_dll_error(), 0);
  const ElfModule& m = elf_module();
  EXPECT_TRUE(m.debug_abbrev_present);
  EXPECT_TRUE(m.debug_info_present);
  EXPECT_NE(m.debug_str.end, m.debug_str.start);
  ASSERT_TRUE(find_elf_section(".debug_info"));
  EXPECT_EQ(m.debug_info_offset, elf_section_extent(*find_elf_section(".debug_info")).start);
  // .text, .rodata, .data and .bss by address.
  ASSERT_EQ(m.allocatable_sections.size(), 4u);
  for (std::size_t i = 1; i < m.allocatable_sections.size(); ++i) {
    EXPECT_LT(m.section_headers[static_cast<std::size_t>(m.allocatable_sections[i - 1])].sh_addr,
              m.section_headers[static_cast<std::size_t>(m.allocatable_sections[i])].sh_addr);
  }
  EXPECT_EQ(m.image_lowest, 0x10000u);
  EXPECT_EQ(m.image_highest, 0x100CFu) << "the zero-filled .bss counts";
  DEBUG_DLL_CLOSE_ELF();
}

TEST_F(ElfFixtureTest, DebugInformationOfTheCompilersLoads) {
  const std::string unknown_machine = "WARNING - Unknown value specified for target architecture";
  for (const char* base : {"s08_counter", "s08_stack_auto", "ppc_two_units"}) {
    status_output().lines.clear();
    EXPECT_TRUE(LOAD_OBJECT_FILE(ShortText((fixtures / (std::string(base) + ".elf")).string()), load_object_and_debug))
        << base;
    EXPECT_FALSE(stored_records().empty()) << base;
    EXPECT_GT(get_debug_file_count(), 0) << base;
    for (const std::string& line : status_lines()) {
      if (line != unknown_machine) ADD_FAILURE() << base << ": " << line;
    }
  }
}

// Object bytes load whatever the debug information; the debugger's load of a
// version it cannot read fails with its reason.
TEST_F(ElfFixtureTest, LaterDwarfVersionsAreAWarningWhenOnlyObjectBytesAreLoaded) {
  for (const char* base : {"ppc_dwarf4", "ppc_dwarf5"}) {
    SCOPED_TRACE(base);
    const ShortText file((fixtures / (std::string(base) + ".elf")).string());
    status_output().lines.clear();
    ASSERT_TRUE(LOAD_OBJECT_FILE(file, load_object_bytes));
    EXPECT_EQ(bytes_of(stored_records()), srecord_bytes(base));
    EXPECT_EQ(status_lines(), (std::vector<std::string>{"WARNING - Unknown value specified for target architecture",
                                                        "WARNING - Debug information is not Dwarf version 2.0. ",
                                                        "Debug information will not be loaded"}));
    status_output().lines.clear();
    EXPECT_FALSE(LOAD_OBJECT_FILE(file, load_object_and_debug));
    EXPECT_EQ(status_lines().back(), "ERROR - Debug information is not Dwarf version 2.0. ");
  }
}

TEST_F(ElfFixtureTest, AVersion3LineTableEndsTheDebugLoad) {
  const ShortText file((fixtures / "hc11_paddr.elf").string());
  script_.answer_form(platform::result_yes);
  EXPECT_FALSE(LOAD_OBJECT_FILE(file, load_object_and_debug));
  const std::vector<std::string> lines = status_lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines.back(), "ERROR - DWARF line number information is not version 2.0  Debug information not loaded.");
  EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end() - 1),
            (std::vector<std::string>{"Warning - DWARF line information not compliant with version 2.0",
                                      "DWARF line information begins or ends unexpectedly",
                                      "Attempting to continue loading DWARF information"}));
  script_.answer_form(platform::result_yes);
  ASSERT_TRUE(LOAD_OBJECT_FILE(file, load_object_bytes)) << "its object bytes load";
  EXPECT_EQ(stored_records().front().address, 0xE000);
}

}  // namespace
}  // namespace vx::loaders
