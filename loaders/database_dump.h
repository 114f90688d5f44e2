#pragma once

// Text dumps of the stores for the load trace, written into the trace
// directory; each file is created anew. The debug lists are walked in list
// form, before the load driver turns them into trees.
namespace vx::loaders {

void dump_debug_files();      // "file.dat"
void dump_debug_lines();      // "line.dat"
void dump_debug_symbols();    // "symbol.dat"
void dump_debug_addresses();  // "address.dat"
void dump_debug_types();      // "type.dat"
void dump_object_records();   // "datalist.dat"
// The five debug dumps.
void dump_debug_database();

}  // namespace vx::loaders
