#pragma once

#include <cstdint>

#include "programmer/program_pipeline.h"

// SS, PM, PR, PB and PW: the object file is fed through the programming
// pipeline and the collected blocks are programmed by the algorithm's
// program routine, one call per block.
namespace vx::programmer {

void select_object_file();
// PM with the module window, PR with its parameters (object-file addresses).
void program_module(std::int32_t low, std::int32_t high);
void program_module_range();
void program_bytes();
void program_words();

// The pipeline over the chosen module, its programming range low..high.
ProgramPipeline module_pipeline(std::int32_t low, std::int32_t high);
// Programs the queued blocks; false (after its status line) when a block failed or was cancelled.
bool program_collected_blocks(ProgramPipeline& pipeline);
// Every object-file record must lie inside the module; ends the script otherwise.
void check_srecord_ranges(std::int32_t low, std::int32_t high);

}  // namespace vx::programmer
