#include "loaders/database_dump.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "foundation/kstring.h"
#include "loaders/debug_context.h"
#include "loaders/trace_files.h"

namespace vx::loaders {
namespace {

constexpr std::uint8_t line_number_width = 5;

ShortText hex8(std::int32_t value) { return hex_long(static_cast<std::uint32_t>(value)); }
ShortText hex4(std::int32_t value) { return hex_word(static_cast<std::uint16_t>(value)); }
ShortText hex2(std::int32_t value) { return hex_byte(static_cast<std::uint8_t>(value)); }

}  // namespace

void dump_debug_files() {
  TraceTextFile out(trace_file_name("file.dat"));
  const std::vector<ShortText>& files = get_debug_database().files();
  for (std::size_t i = 0; i < files.size(); ++i) {
    out.line((" " + hex2(static_cast<std::int32_t>(i + 1)) + "  " + files[i]).view());
  }
}

void dump_debug_lines() {
  TraceTextFile out(trace_file_name("line.dat"));
  for (const debug_line_record* r = get_debug_database().lines().head; r != nullptr; r = r->next) {
    out.line(
        (hex8(r->address) + " " + hex2(r->file) + "/" + left_pad_char(long_to_str(r->line), ' ', line_number_width))
            .view());
  }
}

void dump_debug_symbols() {
  TraceTextFile out(trace_file_name("symbol.dat"));
  for (const debug_symbol_record* member = get_debug_database().symbols().head; member != nullptr;
       member = member->next) {
    for (const debug_symbol_record* s = member; s != nullptr; s = s->same_name_next) {
      out.line((hex2(s->attribute) + "-" + hex4(s->type) + " " + hex8(s->scope_start) + "..." + hex8(s->scope_end) +
                " " + hex8(s->address) + " " + s->name)
                   .view());
    }
  }
}

void dump_debug_addresses() {
  TraceTextFile out(trace_file_name("address.dat"));
  for (const debug_address_record* r = get_debug_database().addresses().head; r != nullptr; r = r->next) {
    const debug_symbol_record symbol_missing;
    const debug_symbol_record& symbol = r->symbol != nullptr ? *r->symbol : symbol_missing;
    out.line((hex8(r->address) + " " + hex4(symbol.attribute) + "-" + hex4(symbol.type) + " " + symbol.name).view());
  }
}

void dump_debug_types() {
  TraceTextFile out(trace_file_name("type.dat"));
  for (const auto& type : get_debug_database().types()) {
    out.line(("T" + hex4(type->number) + "(" + hex4(type->type_code) + ") " + type->name).view());
    const debug_more_record& more = *type->more;
    out.byte_block(
        std::span<const std::uint8_t>(more.raw.data(), std::min<std::size_t>(more.more_length, more.raw.size())));
  }
}

void dump_object_records() {
  TraceTextFile out(trace_file_name("datalist.dat"));
  const ModuleInterface& module = current_debug_context().module;
  out.line(("Total Records = " + long_to_str(module.object_record_count)).view());
  out.line(("Total Bytes = " + long_to_str(module.object_byte_count)).view());
  out.line("");
  for (const object_record* r = get_object_record_list().head(); r != nullptr; r = r->next) {
    out.line(("Address $" + hex8(r->address) + "(length=" + hex4(r->length) + ") :").view());
    out.byte_block(std::span<const std::uint8_t>(r->data(), r->length));
  }
}

void dump_debug_database() {
  dump_debug_files();
  dump_debug_lines();
  dump_debug_symbols();
  dump_debug_addresses();
  dump_debug_types();
}

}  // namespace vx::loaders
