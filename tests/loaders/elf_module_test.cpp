#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loaders/elf_module.h"
#include "platform/scripted_dialogs.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "tests/loaders/elf_image_builder.h"
#include "tests/loaders/loader_test_support.h"

namespace vx::loaders {
namespace {

using test_support::counting;
using test_support::ElfImageBuilder;
using test_support::ElfSectionSpec;
using test_support::ElfSegmentSpec;
using test_support::put_u16;
using test_support::put_u32;
using test_support::Record;
using test_support::simple_elf;
using test_support::stored_records;

class ElfModuleTest : public test_support::LoaderTest {
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

  bool load(const std::vector<std::uint8_t>& bytes, std::uint8_t mode = load_object_bytes) {
    return LOAD_OBJECT_FILE(ShortText(write("app.elf", bytes)), mode);
  }

  // The open entry alone, as the load driver calls it; the error code.
  std::uint8_t open(const std::vector<std::uint8_t>& bytes) {
    current_debug_context().module.load_file_name = ShortText(write("app.elf", bytes));
    DEBUG_DLL_OPEN_ELF();
    return get_debug_dll_error();
  }

  std::uint8_t test_entry(const std::vector<std::uint8_t>& bytes) {
    current_debug_context().module.load_file_name = ShortText(write("app.elf", bytes));
    DEBUG_DLL_TEST_ELF();
    const std::uint8_t code = get_debug_dll_error();
    DEBUG_DLL_CLOSE_ELF();
    return code;
  }

  std::string error_text() {
    DEBUG_DLL_ERROR_ELF();
    return get_debug_dll_error_text().str();
  }

  std::size_t forms_asked() const {
    std::size_t count = 0;
    for (const platform::DialogRecord& r : script_.log()) count += r.type == platform::DialogRecord::Type::form;
    return count;
  }

  platform::ScriptedResponder script_;
  platform::DialogResponder* previous_responder_ = nullptr;
};

TEST_F(ElfModuleTest, NameAndFilter) {
  DEBUG_DLL_NAME_ELF();
  EXPECT_EQ(current_debug_context().module.module_name, "ELF/DWARF");
  EXPECT_EQ(DEBUG_DLL_FILTER_ELF(), "ELF/DWARF(2.0) | *.elf;*.abs;*.bin;*.out");
  EXPECT_EQ(DEBUG_DLL_FILTER_ELF().size(), 40u);
}

TEST_F(ElfModuleTest, ErrorTexts) {
  const std::vector<std::pair<std::uint8_t, std::string>> cases{
      {0, "ERROR - Unknown"},
      {2, "ERROR - Invalid ELF header."},
      {9, "ERROR - ELF file contains no section headers."},
      {12, "ERROR - ELF file contains no .debug_line section. Recompile file to include DWARF 2.0 debug information."},
      {18, "ERROR - Debug information is not Dwarf version 2.0. "},
      {20, "ERROR - Memory allocation error. "},
      {21, "ERROR - DWARF line number information is not version 2.0  Debug information not loaded."},
      {22, "ERROR - DWARF debug abbreviation information is not valid  Debug information not loaded."},
      {23, ""},
      {24, "ERROR - Unknown"},
      {255, "ERROR - Unknown"},
  };
  for (const auto& [code, text] : cases) {
    set_debug_dll_error(code);
    EXPECT_EQ(error_text(), text) << int{code};
  }
}

TEST_F(ElfModuleTest, AMissingFileIsLookedForWithTheExtensionElf) {
  const std::vector<std::uint8_t> image = simple_elf(0x1000, counting(4)).build();
  write("prog.elf", image);
  ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText(path("prog.abs")), load_object_bytes));
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0x1000, counting(4)}}));

  current_debug_context().module.load_file_name = ShortText(path("none.abs"));
  DEBUG_DLL_TEST_ELF();
  EXPECT_EQ(get_debug_dll_error(), elf_no_file);
  EXPECT_EQ(error_text(), "ERROR - Load file " + path("none.elf") + " does not exist.");
}

TEST_F(ElfModuleTest, HeaderChecksOfTheTest) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::uint8_t code;
    std::vector<std::string> lines;
  };
  auto with = [](auto change) {
    ElfImageBuilder elf = simple_elf(0x1000, counting(4));
    change(elf);
    return elf.build();
  };
  std::vector<std::uint8_t> not_elf = simple_elf(0x1000, counting(4)).build();
  not_elf[1] = 'X';
  std::vector<std::uint8_t> short_elf = simple_elf(0x1000, counting(4)).build();
  short_elf.resize(51);
  const std::vector<Case> cases{
      {"accepted", with([](ElfImageBuilder&) {}), 0, {}},
      {"not ELF", not_elf, 2, {}},
      {"shorter than its header", short_elf, 2, {}},
      {"64-bit", with([](ElfImageBuilder& e) { e.ei_class = 2; }), 8, {"ERROR - ELF file is not 32 bit format."}},
      {"little-endian", with([](ElfImageBuilder& e) { e.ei_data = 1; }), 5,
       {"ERROR - ELF file format is not Big Endian."}},
      {"relocatable", with([](ElfImageBuilder& e) { e.e_type = 1; }), 3,
       {"ERROR - File is not an executable ELF file."}},
      {"shared object", with([](ElfImageBuilder& e) { e.e_type = 3; }), 3,
       {"ERROR - File is not an executable ELF file."}},
      {"no program headers", with([](ElfImageBuilder& e) { e.segments.clear(); }), 6,
       {"ERROR - ELF file contains no program headers."}},
      {"another machine", with([](ElfImageBuilder& e) { e.e_machine = 20; }), 0, {}},
  };
  for (const Case& c : cases) {
    status_output().lines.clear();
    EXPECT_EQ(test_entry(c.bytes), c.code) << c.what;
    EXPECT_EQ(status_lines(), c.lines) << c.what;
    EXPECT_FALSE(elf_module().file_open) << c.what;
  }
}

TEST_F(ElfModuleTest, AFileNoModuleTakesIsReportedByTheDriverOnly) {
  std::vector<std::uint8_t> short_elf = simple_elf(0x1000, counting(4)).build();
  short_elf.resize(40);
  EXPECT_FALSE(load(short_elf));
  ASSERT_EQ(status_lines().size(), 1u);
  EXPECT_EQ(status_lines()[0], "Error (" + path("app.elf") + ") : File not found -or- Unknown file type.");
}

TEST_F(ElfModuleTest, KnownMachinesLoadSilentlyOthersAfterAWarning) {
  for (const std::uint16_t machine : {71, 58, 20, 0}) {
    status_output().lines.clear();
    ElfImageBuilder elf = simple_elf(0x1000, counting(4));
    elf.e_machine = machine;
    ASSERT_TRUE(load(elf.build())) << machine;
    const bool warned = status_lines().front() == "WARNING - Unknown value specified for target architecture";
    EXPECT_EQ(warned, machine != 71 && machine != 58) << machine;
  }
}

TEST_F(ElfModuleTest, WithoutLoadableBytesTheOpenFails) {
  ElfImageBuilder no_load = simple_elf(0x1000, counting(4));
  no_load.segments[0].type = 4;
  EXPECT_EQ(open(no_load.build()), elf_no_loadable_segments);
  EXPECT_FALSE(elf_module().file_open);
  DEBUG_DLL_CLOSE_ELF();

  ElfImageBuilder empty = simple_elf(0x1000, counting(4));
  empty.segments[0] = {0x1000, {}, 0x1000, 64};
  EXPECT_EQ(open(empty.build()), elf_no_loadable_segments);
  EXPECT_TRUE(status_lines().empty());
}

TEST_F(ElfModuleTest, WithoutSectionTableTheBytesLoadAfterTwoWarnings) {
  ElfImageBuilder elf = simple_elf(0x1000, counting(4));
  elf.section_table = false;
  ASSERT_TRUE(load(elf.build(), load_object_and_debug));
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0x1000, counting(4)}}));
  EXPECT_EQ(status_lines(), (std::vector<std::string>{"WARNING - ELF/DWARF file contains no section header table.",
                                                      "No debug information will be loaded."}));
}

TEST_F(ElfModuleTest, SegmentsAreHandedOutInAddressOrderInBlocksWithinEachSegment) {
  ElfImageBuilder elf;
  elf.segments = {
      {0x2000, counting(10, 0x80), 0x2000},
      {0x1000, counting(600), 0x1000},
      {0x200A, counting(3, 0xF0), 0x200A},
  };
  elf.sections.push_back({".text", counting(4), 1, 6, 0x1000});
  ASSERT_TRUE(load(elf.build()));
  const std::vector<std::uint8_t> big = counting(600);
  EXPECT_EQ(stored_records(), (std::vector<Record>{
                                  {0x1000, {big.begin(), big.begin() + 256}},
                                  {0x1100, {big.begin() + 256, big.begin() + 512}},
                                  {0x1200, {big.begin() + 512, big.end()}},
                                  {0x2000, counting(10, 0x80)},
                                  {0x200A, counting(3, 0xF0)},
                              }));
  EXPECT_EQ(current_debug_context().module.object_record_count, 5);
  EXPECT_EQ(current_debug_context().module.object_byte_count, 613);
}

TEST_F(ElfModuleTest, SegmentsAtTheSameAddressKeepTheirHeaderOrder) {
  ElfImageBuilder elf;
  elf.segments = {{0x3000, {1, 2}, 0x3000}, {0x1000, {9}, 0x1000}, {0x3000, {3, 4}, 0x3000}};
  elf.sections.push_back({".text", counting(4), 1, 6, 0x1000});
  ASSERT_EQ(open(elf.build()), 0);
  std::vector<Record> blocks;
  for (DEBUG_DLL_LOAD_ELF(); get_block_length() != 0; DEBUG_DLL_LOAD_ELF()) {
    std::array<std::uint8_t, block_capacity> data{};
    get_block_data(data);
    blocks.push_back({get_block_address(), {data.begin(), data.begin() + get_block_length()}});
  }
  EXPECT_EQ(blocks, (std::vector<Record>{{0x1000, {9}}, {0x3000, {1, 2}}, {0x3000, {3, 4}}}));
  DEBUG_DLL_LOAD_ELF();
  EXPECT_EQ(get_block_length(), 0);
}

TEST_F(ElfModuleTest, ImageBoundsCoverZeroFilledSegments) {
  ElfImageBuilder elf;
  elf.segments = {{0x8000, counting(16), 0x8000}, {0x0080, {}, 0x0080, 0x100}, {0x9000, {}, 0x9000, 0}};
  elf.sections.push_back({".text", counting(4), 1, 6, 0x8000});
  ASSERT_EQ(open(elf.build()), 0);
  EXPECT_EQ(elf_module().image_lowest, 0x0080u);
  EXPECT_EQ(elf_module().image_highest, 0x800Fu);
  EXPECT_EQ(elf_module().segments.size(), 1u);
}

TEST_F(ElfModuleTest, AllocatableSectionsAscendByAddressEqualOnesInIndexOrder) {
  ElfImageBuilder elf = simple_elf(0x1000, counting(4));
  elf.sections = {
      {".data", counting(2), 1, 3, 0x0200},  {".debug_line", counting(3), 1, 0, 0},
      {".bss", counting(5), 8, 3, 0x0100},   {".text", counting(4), 1, 6, 0x1000},
      {".rodata", counting(1), 1, 2, 0x0100}, {".empty", {}, 1, 2, 0x0050},
      {".note", counting(4), 4, 2, 0x0010},
  };
  ASSERT_EQ(open(elf.build()), 0);
  EXPECT_EQ(elf_module().allocatable_sections, (std::vector<std::int32_t>{3, 5, 1, 4}));
  DEBUG_DLL_CLOSE_ELF();

  elf.sections = {{".debug_line", counting(3), 1, 0, 0}};
  EXPECT_EQ(open(elf.build()), elf_no_allocatable_sections);
  EXPECT_FALSE(elf_module().file_open);
}

TEST_F(ElfModuleTest, SectionsAreFoundByTheirWholeNameLowestIndexFirst) {
  ElfImageBuilder elf = simple_elf(0x1000, counting(4));
  elf.sections.push_back({".debug", counting(1)});
  elf.sections.push_back({".debug_loc", counting(2)});
  elf.sections.push_back({".debug_loc", counting(3)});
  elf.sections.push_back({std::string(300, 'n'), counting(1)});
  ASSERT_EQ(open(elf.build()), 0);
  EXPECT_EQ(find_elf_section(".debug_loc"), 3);
  EXPECT_EQ(find_elf_section(".DEBUG_LOC"), std::nullopt);
  EXPECT_EQ(find_elf_section(".debug_l"), std::nullopt);
  EXPECT_EQ(elf_module().section_names[5], ShortText(std::string(255, 'n')));
  const ElfExtent extent = elf_section_extent(3);
  EXPECT_EQ(extent.end - extent.start, 2u);
}

ElfImageBuilder two_address_elf(bool with_vxcrt0 = false) {
  ElfImageBuilder elf;
  elf.segments = {{0xE000, counting(4), 0xE000}, {0x0040, counting(2, 0x50), 0xE800}};
  elf.sections.push_back({".text", counting(4), 1, 6, 0xE000});
  if (with_vxcrt0) elf.sections.push_back({".vxcrt0", counting(2), 1, 6, 0xE004});
  return elf;
}

const std::vector<Record> physical{{0xE000, counting(4)}, {0xE800, counting(2, 0x50)}};
const std::vector<Record> virtual_addresses{{0x0040, counting(2, 0x50)}, {0xE000, counting(4)}};

TEST_F(ElfModuleTest, PhysicalAddressesAreAskedForWhenSomeDifferAndAreNotZero) {
  script_.answer_form(platform::result_yes);
  ASSERT_TRUE(load(two_address_elf().build()));
  EXPECT_EQ(stored_records(), physical);
  ASSERT_EQ(forms_asked(), 1u);
  EXPECT_EQ(script_.log()[0].text.substr(0, 79),
            "Warning: This file may utilize the p_paddr field in the ELF program header(s)  ");

  script_.answer_form(platform::result_no);
  ASSERT_TRUE(load(two_address_elf().build()));
  EXPECT_EQ(stored_records(), virtual_addresses);
  EXPECT_EQ(forms_asked(), 2u);
}

TEST_F(ElfModuleTest, NoQuestionWhenAllPhysicalAddressesMatchOrAreZero) {
  for (const std::uint32_t second_paddr : {0x0040u, 0u}) {
    ElfImageBuilder elf = two_address_elf();
    elf.segments[0].paddr = second_paddr == 0 ? 0 : elf.segments[0].vaddr;
    elf.segments[1].paddr = second_paddr;
    ASSERT_TRUE(load(elf.build()));
    EXPECT_EQ(stored_records(), virtual_addresses);
  }
  EXPECT_EQ(forms_asked(), 0u);
}

TEST_F(ElfModuleTest, AStartupSectionChoosesPhysicalAddressesWithoutAsking) {
  ASSERT_TRUE(load(two_address_elf(true).build()));
  EXPECT_EQ(stored_records(), physical);
  EXPECT_EQ(forms_asked(), 0u);
  // The choice stays for the run: a file whose p_paddr are all 0 now loads at 0.
  ElfImageBuilder zero = simple_elf(0x1000, counting(3));
  zero.segments[0].paddr = 0;
  ASSERT_TRUE(load(zero.build()));
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0, counting(3)}}));
}

TEST_F(ElfModuleTest, DontAskAgainKeepsTheAnswerForTheRestOfTheRun) {
  for (const platform::DialogResult answer : {platform::result_no, platform::result_yes}) {
    reset_elf_module();
    // Tab from Yes over No and Help to the check box, tick it; then the answer.
    for (int i = 0; i < 3; ++i) ws::input::press_key(ws::vk::tab);
    ws::input::press_key(ws::vk::space);
    script_.answer_form(answer);
    ASSERT_TRUE(load(two_address_elf().build()));
    EXPECT_FALSE(elf_module().ask_address_choice);
    const std::size_t asked = forms_asked();
    ASSERT_TRUE(load(two_address_elf().build()));
    EXPECT_EQ(forms_asked(), asked) << "no second question";
    EXPECT_EQ(stored_records(), answer == platform::result_yes ? physical : virtual_addresses);
  }
}

TEST_F(ElfModuleTest, WithNobodyToAskPhysicalAddressesAreTaken) {
  platform::install_dialog_responder(nullptr);
  ::testing::internal::CaptureStderr();
  const bool loaded = load(two_address_elf().build());
  const std::string written = ::testing::internal::GetCapturedStderr();
  platform::install_dialog_responder(&script_);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(stored_records(), physical);
  EXPECT_NE(written.find("[dialog answer] Yes"), std::string::npos);
  EXPECT_TRUE(elf_module().ask_address_choice);
}

TEST_F(ElfModuleTest, MissingDebugSectionsGiveWarningsAndObjectBytes) {
  ElfImageBuilder elf = simple_elf(0x1000, counting(4));
  elf.sections.push_back({".debug_info", counting(8)});
  ASSERT_TRUE(load(elf.build(), load_object_and_debug));
  EXPECT_EQ(stored_records(), (std::vector<Record>{{0x1000, counting(4)}}));
  EXPECT_EQ(status_lines(), (std::vector<std::string>{"WARNING - ELF file does not contains DWARF 2.0 debug_abbrev section.",
                                                      "Debug information will not be loaded"}));
  EXPECT_FALSE(elf_module().debug_info_present);
}

TEST_F(ElfModuleTest, DebugWithoutLineSectionNamesTheFirstVersion) {
  for (const bool dwarf_1 : {true, false}) {
    ElfImageBuilder elf = simple_elf(0x1000, counting(4));
    elf.sections.push_back({".debug_abbrev", {0}});
    elf.sections.push_back({".debug_info", {}});
    if (dwarf_1) elf.sections.push_back({".line", counting(4)});
    ASSERT_EQ(open(elf.build()), 0);
    DEBUG_DLL_DEBUG_ELF();
    EXPECT_EQ(get_debug_dll_error(), dwarf_1 ? elf_dwarf_1 : elf_no_debug_line);
    EXPECT_FALSE(elf_module().file_open);
    DEBUG_DLL_CLOSE_ELF();
    DEBUG_DLL_CLOSE_ELF();
  }
}

TEST_F(ElfModuleTest, TheDebugEntryReadsTheLocationListsWholeAndNoMore) {
  for (const std::uint32_t type : {1u, 8u}) {
    ElfImageBuilder elf = simple_elf(0x1000, counting(4));
    elf.sections.push_back({".debug_abbrev", {0}});
    elf.sections.push_back({".debug_info", {}});
    elf.sections.push_back({".debug_line", {}});
    elf.sections.push_back({".debug_loc", counting(12, 0x40), type});
    std::vector<std::uint8_t> bytes = elf.build();
    // A NOBITS section may claim any size: it has no bytes in the file.
    if (type == 8) put_u32(bytes, elf.section_header_at(5) + 20, 0xFFFFFFF0);
    ASSERT_EQ(open(bytes), 0) << type;
    DEBUG_DLL_DEBUG_ELF();
    EXPECT_EQ(get_debug_dll_error(), 0) << type;
    EXPECT_EQ(elf_module().dynamic_byte_array, type == 1 ? counting(12, 0x40) : std::vector<std::uint8_t>{});
    DEBUG_DLL_CLOSE_ELF();
  }
}

TEST_F(ElfModuleTest, CloseReleasesTheTablesAndKeepsTheRunWideChoice) {
  script_.answer_form(platform::result_yes);
  ASSERT_EQ(open(two_address_elf().build()), 0);
  elf_module().ask_address_choice = false;
  DEBUG_DLL_CLOSE_ELF();
  const ElfModule& m = elf_module();
  EXPECT_FALSE(m.file_open);
  EXPECT_TRUE(m.program_headers.empty() && m.section_headers.empty() && m.section_names.empty() &&
              m.allocatable_sections.empty() && m.segments.empty() && m.file_bytes.empty());
  EXPECT_TRUE(m.use_p_paddr);
  EXPECT_FALSE(m.ask_address_choice);
}

// One compilation unit whose only attribute is its producer.
ElfImageBuilder elf_with_producer(const std::string& producer) {
  ElfImageBuilder elf = simple_elf(0x1000, counting(4));
  elf.sections.push_back({".debug_abbrev", {1, 0x11, 0, 0x25, 0x08, 0, 0, 0}});
  std::vector<std::uint8_t> info{0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 4, 1};
  info.insert(info.end(), producer.begin(), producer.end());
  info.push_back(0);
  info.push_back(0);
  put_u32(info, 0, static_cast<std::uint32_t>(info.size() - 4));
  elf.sections.push_back({".debug_info", info});
  return elf;
}

TEST_F(ElfModuleTest, TheProducerSetsTheCompilerKind) {
  const std::vector<std::pair<std::string, std::uint8_t>> cases{
      {"ICC6812", 1}, {"other", 1}, {"mw eabi ppc c-compiler", 2}, {"A6812", 1}, {"A6812 V2", 1}, {"MW EABI PPC C-Compiler", 2},
  };
  for (const auto& [producer, kind] : cases) {
    ASSERT_EQ(open(elf_with_producer(producer).build()), 0) << producer;
    EXPECT_TRUE(elf_module().debug_info_present);
    EXPECT_EQ(get_debug_compiler_kind(), kind) << producer;
    DEBUG_DLL_CLOSE_ELF();
  }
}

TEST_F(ElfModuleTest, AFailedOpenLeavesNothingForTheNextFile) {
  ElfImageBuilder no_sections = simple_elf(0x4000, counting(8));
  no_sections.sections = {{".comment", counting(3)}};
  EXPECT_EQ(open(no_sections.build()), elf_no_allocatable_sections);
  ASSERT_EQ(open(simple_elf(0x1000, counting(4)).build()), 0);
  ASSERT_EQ(elf_module().segments.size(), 1u);
  EXPECT_EQ(elf_module().segments[0].load_address, 0x1000u);
  EXPECT_EQ(elf_module().allocatable_sections, (std::vector<std::int32_t>{1}));
  EXPECT_EQ(elf_module().bytes_remaining, 4u);
}

// Hostile files: every table and extent is checked against the file.
TEST_F(ElfModuleTest, TablesAndExtentsOutsideTheFileAreRefused) {
  struct Case {
    const char* what;
    void (*spoil)(ElfImageBuilder& elf, std::vector<std::uint8_t>& bytes);
    std::uint8_t code;
  };
  const std::vector<Case> cases{
      {"program headers past the end",
       [](ElfImageBuilder&, std::vector<std::uint8_t>& b) { put_u32(b, ElfImageBuilder::e_phoff_at, 0xFFFFFFF0); },
       elf_no_program_headers},
      {"too many program headers",
       [](ElfImageBuilder&, std::vector<std::uint8_t>& b) { put_u16(b, ElfImageBuilder::e_phnum_at, 0xFFFF); },
       elf_no_program_headers},
      {"section headers past the end",
       [](ElfImageBuilder&, std::vector<std::uint8_t>& b) { put_u32(b, ElfImageBuilder::e_shoff_at, 0xFFFFFFF0); },
       elf_no_section_headers},
      {"short section headers",
       [](ElfImageBuilder&, std::vector<std::uint8_t>& b) { put_u16(b, ElfImageBuilder::e_shentsize_at, 8); },
       elf_no_section_headers},
      {"name section beyond the table",
       [](ElfImageBuilder&, std::vector<std::uint8_t>& b) { put_u16(b, ElfImageBuilder::e_shstrndx_at, 50); },
       elf_no_section_headers},
      {"section bytes past the end",
       [](ElfImageBuilder& e, std::vector<std::uint8_t>& b) { put_u32(b, e.section_header_at(1) + 20, 0x7FFFFFFF); },
       elf_invalid_header},
      {"section offset wraps",
       [](ElfImageBuilder& e, std::vector<std::uint8_t>& b) { put_u32(b, e.section_header_at(1) + 16, 0xFFFFFFFF); },
       elf_invalid_header},
      {"segment bytes past the end",
       [](ElfImageBuilder&, std::vector<std::uint8_t>& b) {
         put_u32(b, ElfImageBuilder::program_header_at(0) + 16, 0x10000);
       },
       elf_invalid_header},
      {"segment offset wraps",
       [](ElfImageBuilder&, std::vector<std::uint8_t>& b) {
         put_u32(b, ElfImageBuilder::program_header_at(0) + 4, 0xFFFFFFFE);
       },
       elf_invalid_header},
  };
  for (const Case& c : cases) {
    status_output().lines.clear();
    ElfImageBuilder elf = simple_elf(0x1000, counting(4));
    std::vector<std::uint8_t> bytes = elf.build();
    c.spoil(elf, bytes);
    EXPECT_EQ(open(bytes), c.code) << c.what;
    EXPECT_FALSE(elf_module().file_open) << c.what;
    set_debug_dll_error(c.code);
    EXPECT_EQ(status_lines(), std::vector<std::string>{error_text()}) << c.what;
    DEBUG_DLL_CLOSE_ELF();
    EXPECT_FALSE(load(bytes)) << c.what;
  }
}

TEST_F(ElfModuleTest, LongerSectionHeadersAreReadByTheirFirstFortyBytes) {
  ElfImageBuilder elf = simple_elf(0x1000, counting(4));
  elf.sections.push_back({".debug_loc", counting(6, 0x30)});
  std::vector<std::uint8_t> bytes = elf.build();
  // Re-lay the section headers 48 bytes apart at the end of the file.
  const std::size_t count = elf.sections.size() + 2;
  const std::size_t table = bytes.size();
  for (std::size_t i = 0; i < count; ++i) {
    const auto header = bytes.begin() + static_cast<std::ptrdiff_t>(elf.section_header_at(i));
    bytes.insert(bytes.end(), header, header + 40);
    bytes.insert(bytes.end(), 8, 0xEE);
  }
  put_u32(bytes, ElfImageBuilder::e_shoff_at, static_cast<std::uint32_t>(table));
  put_u16(bytes, ElfImageBuilder::e_shentsize_at, 48);
  ASSERT_EQ(open(bytes), 0);
  EXPECT_EQ(find_elf_section(".debug_loc"), 2);
  EXPECT_EQ(elf_module().allocatable_sections, (std::vector<std::int32_t>{1}));
}

TEST_F(ElfModuleTest, SectionNamesOutsideTheFileAreEmpty) {
  ElfImageBuilder elf = simple_elf(0x1000, counting(4));
  std::vector<std::uint8_t> bytes = elf.build();
  put_u32(bytes, elf.section_header_at(1), 0xFFFFFFF0);
  ASSERT_EQ(open(bytes), 0);
  EXPECT_EQ(elf_module().section_names[1], ShortText());
}

}  // namespace
}  // namespace vx::loaders
