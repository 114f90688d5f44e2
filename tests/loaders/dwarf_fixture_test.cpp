// The reader's view of ELF files from real compilers against pyelftools'
// view of them (tests/fixtures/dwarf/*.dwarf, made by regenerate.sh there).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "dwarf_test_support.h"
#include "foundation/kstring.h"
#include "loaders/dwarf_entries.h"
#include "loaders/dwarf_line.h"

namespace vx::loaders {
namespace {

using test_support::DwarfTest;

const std::filesystem::path fixtures = std::filesystem::path(VX_TEST_FIXTURES);

struct Expected {
  std::vector<std::string> files;
  std::vector<std::tuple<std::uint32_t, std::int32_t, std::int32_t>> lines;
  std::vector<std::tuple<std::int32_t, std::int32_t, unsigned>> entries;
  std::map<std::int32_t, std::string> type_names;
  struct Symbol {
    unsigned attribute;
    std::uint32_t address;
    std::int32_t type;
    std::string name;
  };
  std::vector<Symbol> symbols;
};

Expected read_expected(const std::string& name) {
  Expected expected;
  std::istringstream lines(test::read_file((fixtures / "dwarf" / (name + ".dwarf")).string()));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "file") {
      int number = 0;
      std::string path;
      fields >> number >> path;
      expected.files.push_back(path);
    } else if (kind == "line") {
      std::uint32_t address = 0;
      std::int32_t file = 0, number = 0;
      fields >> std::hex >> address >> std::dec >> file >> number;
      expected.lines.emplace_back(address, file, number);
    } else if (kind == "entry") {
      std::int32_t offset = 0, depth = 0;
      unsigned tag = 0;
      fields >> offset >> depth >> std::hex >> tag;
      expected.entries.emplace_back(offset, depth, tag);
    } else if (kind == "type") {
      std::int32_t number = 0;
      unsigned tag = 0;
      std::string type_name;
      fields >> number >> std::hex >> tag >> std::ws;
      std::getline(fields, type_name);
      expected.type_names[number] = type_name;
    } else if (kind == "symbol") {
      Expected::Symbol symbol{};
      fields >> symbol.attribute >> std::hex >> symbol.address >> std::dec >> symbol.type >> symbol.name;
      expected.symbols.push_back(symbol);
    }
  }
  return expected;
}

class DwarfFixture : public DwarfTest {
 protected:
  // The ELF module opens the file; the DWARF reading runs as the open and
  // debug slots run it.
  void load(const std::string& name) {
    current_debug_context().module.load_file_name = ShortText((fixtures / "elf" / (name + ".elf")).string());
    DEBUG_DLL_OPEN_ELF();
    ASSERT_EQ(get_debug_dll_error(), 0);
    release_dwarf_tables();
    ElfModule& m = elf_module();
    const auto extent_of = [](const char* section) {
      const std::optional<std::int32_t> index = find_elf_section(section);
      return index ? elf_section_extent(*index) : ElfExtent{};
    };
    if (m.debug_str.end != 0) ANALYZE_DEBUG_STR(m.debug_str.start, m.debug_str.end);
    const ElfExtent abbrev = extent_of(".debug_abbrev");
    ANALYZE_DEBUG_ABBREV(abbrev.start, abbrev.end);
    const ElfExtent info = extent_of(".debug_info");
    ANALYZE_DEBUG_INFO(info.start, info.end);
    ASSERT_EQ(get_debug_dll_error(), 0);
    producer = GET_DEBUG_PRODUCER();
    const ElfExtent line = extent_of(".debug_line");
    ANALYZE_DEBUG_LINE(line.start, line.end);
    line_error = get_debug_dll_error();
    set_debug_dll_error(0);
    const ElfExtent loc = extent_of(".debug_loc");
    m.dynamic_byte_array.assign(m.file_bytes.begin() + loc.start, m.file_bytes.begin() + loc.end);
    ANALYZE_DEBUG_ENTRIES();
    ASSERT_EQ(get_debug_dll_error(), 0);
  }

  void expect_files_and_lines(const Expected& expected) {
    EXPECT_EQ(std::vector<std::string>(get_debug_database().files().begin(), get_debug_database().files().end()),
              expected.files);
    std::multiset<std::tuple<std::uint32_t, std::int32_t, std::int32_t>> rows;
    for (const debug_line_record* r = get_debug_database().lines().head; r != nullptr; r = r->next) {
      rows.emplace(static_cast<std::uint32_t>(r->address), r->file, r->line);
    }
    EXPECT_EQ(rows, (std::multiset<std::tuple<std::uint32_t, std::int32_t, std::int32_t>>(expected.lines.begin(),
                                                                                          expected.lines.end())));
  }

  void expect_entries(const Expected& expected) {
    std::vector<std::tuple<std::int32_t, std::int32_t, unsigned>> entries;
    for (std::size_t u = 0; u < dwarf_state().units.size(); ++u) {
      for (std::size_t i = 0; i < dwarf_state().units[u].entries.size(); ++i) {
        const auto entry = entry_of(static_cast<int>(u), static_cast<int>(i));
        ASSERT_TRUE(entry);
        entries.emplace_back(entry->offset(), entry->depth(), entry->tag());
      }
    }
    EXPECT_EQ(entries, expected.entries);
  }

  void expect_types_and_symbols(const Expected& expected) {
    std::map<std::int32_t, std::string> types;
    for (const auto& type : get_debug_database().types()) {
      if (expected.type_names.contains(type->number)) types[type->number] = type->name.str();
    }
    std::map<std::int32_t, std::string> expected_types = expected.type_names;
    // A type without a name is named by its offset; qualifiers keep no name.
    for (auto& [number, name] : expected_types) {
      if (name.empty()) name = types.contains(number) && types[number].empty() ? "" : std::to_string(number - 1000);
    }
    EXPECT_EQ(types, expected_types);
    for (const Expected::Symbol& symbol : expected.symbols) {
      bool found = false;
      for (const debug_symbol_record* s = get_debug_database().symbols().head; s != nullptr; s = s->next) {
        for (const debug_symbol_record* same = s; same != nullptr; same = same->same_name_next) {
          found |= same->name.str() == symbol.name && same->attribute == symbol.attribute &&
                   static_cast<std::uint32_t>(same->address) == symbol.address && same->type == symbol.type;
        }
      }
      EXPECT_TRUE(found) << symbol.name;
      bool indexed = false;
      for (const debug_address_record* a = get_debug_database().addresses().head; a != nullptr; a = a->next) {
        indexed |= static_cast<std::uint32_t>(a->address) == symbol.address && a->symbol != nullptr &&
                   a->symbol->name.str() == symbol.name;
      }
      EXPECT_TRUE(indexed) << symbol.name;
    }
  }

  ShortText producer;
  std::uint8_t line_error = 0;
};

TEST_F(DwarfFixture, MatchesPyelftoolsOnEveryFixture) {
  for (const char* name : {"s08_counter", "s08_stack_auto", "ppc_two_units"}) {
    SCOPED_TRACE(name);
    reset_all();
    reset_dwarf_state();
    load(name);
    const Expected expected = read_expected(name);
    EXPECT_EQ(line_error, 0);
    expect_files_and_lines(expected);
    expect_entries(expected);
    expect_types_and_symbols(expected);
    DEBUG_DLL_CLOSE_ELF();
  }
}

TEST_F(DwarfFixture, ProducersAreRead) {
  load("ppc_two_units");
  EXPECT_NE(producer.view().find("clang"), std::string_view::npos);
}

// The assembler's version 3 line table under version 2 entries: the three
// warning lines and code 21, the entries still read.
TEST_F(DwarfFixture, VersionThreeLineTableEndsWithCode21) {
  load("hc11_paddr");
  EXPECT_EQ(line_error, 21);
  const std::vector<std::string> lines = status_lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"Warning - DWARF line information not compliant with version 2.0",
                                      "DWARF line information begins or ends unexpectedly",
                                      "Attempting to continue loading DWARF information"}));
  expect_entries(read_expected("hc11_paddr"));
}

// Locals of a stack frame: kind 98 symbols carry the variable's expression
// and the function's frame base.
TEST_F(DwarfFixture, StackLocalsOfSdccCarryTheirExpressions) {
  load("s08_stack_auto");
  int locals = 0;
  for (const debug_symbol_record* s = get_debug_database().symbols().head; s != nullptr; s = s->next) {
    for (const debug_symbol_record* same = s; same != nullptr; same = same->same_name_next) {
      if (same->attribute != 98 && same->attribute != 99) continue;
      ++locals;
      ASSERT_NE(same->more, nullptr);
      EXPECT_EQ(same->more->more_length, same->more->raw.size());
      EXPECT_FALSE(same->more->raw.empty());
    }
  }
  EXPECT_GT(locals, 0);
}

}  // namespace
}  // namespace vx::loaders
