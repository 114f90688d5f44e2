#pragma once

#include <initializer_list>
#include <span>
#include <vector>

// A program's units of module state in one list, so that the program starts
// and finishes them and the tests reset them from the same entries.
namespace vx {

struct ProgramUnit {
  // What the program runs at its start; it may load libraries or open
  // sockets, so tests never run it. None: a fresh process holds the unit's
  // start values.
  void (*start)() = nullptr;
  // The start values again, without opening anything; tests run it between cases.
  void (*reset)() = nullptr;
  // What the program runs at its end to let go of what the start took.
  void (*finish)() = nullptr;
};

// A program's list: the units of the layers below, then its own.
std::vector<ProgramUnit> units_above(std::span<const ProgramUnit> lower, std::initializer_list<ProgramUnit> own);

// A list holds its units in start order, a layer's units before those of the
// layers above it: a unit's start may write into the units started before it.
void start_units(std::span<const ProgramUnit> units);
// In list order, as the start.
void reset_units(std::span<const ProgramUnit> units);
// In reverse list order: a unit ends after the units started after it.
void finish_units(std::span<const ProgramUnit> units);

}  // namespace vx
