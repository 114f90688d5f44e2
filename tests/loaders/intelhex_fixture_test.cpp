#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "loaders/dll_intelhex.h"
#include "loaders/format_modules.h"
#include "tests/loaders/loader_test_support.h"

// The fixture is an Intel hex file written by srec_cat; beside it lies
// srec_cat's hex dump of it, the bytes the module must load.
namespace vx::loaders {
namespace {

using test_support::ByteMap;
using test_support::bytes_of;
using test_support::load_through_module;
using test_support::read_hex_dump;
using test_support::stored_records;

const std::filesystem::path fixtures = std::filesystem::path(VX_TEST_FIXTURES) / "intelhex";

class IntelHexFixtureTest : public test_support::LoaderTest {};

TEST_F(IntelHexFixtureTest, TheModuleLoadsExactlyTheBytesOfTheHexDump) {
  const std::string file = (fixtures / "firmware.hex").string();
  const std::string text = test::read_file(file);
  ASSERT_NE(text.find(":02000004"), std::string::npos) << "type 04 records";
  ASSERT_NE(text.find(":04000005"), std::string::npos) << "a type 05 record";
  ASSERT_NE(text.find("\r\n"), std::string::npos) << "CR LF line ends";
  const ByteMap expected = read_hex_dump(fixtures / "firmware.hexdump");
  ASSERT_FALSE(expected.empty());

  // As the firmware updater loads: records in arrival order, checksums tested here.
  reset_debug_contexts(ObjectOrder::sorted_on_walk);
  current_debug_context().skip_srecord_checksum = false;
  ASSERT_EQ(load_through_module(intelhex_module_entry(), file), 0) << get_debug_dll_error_text();
  EXPECT_EQ(bytes_of(stored_records()), expected);
  EXPECT_EQ(static_cast<std::size_t>(get_stored_object_byte_total()), expected.size());
}

}  // namespace
}  // namespace vx::loaders
