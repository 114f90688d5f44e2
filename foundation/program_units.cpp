#include "foundation/program_units.h"

namespace vx {

std::vector<ProgramUnit> units_above(std::span<const ProgramUnit> lower, std::initializer_list<ProgramUnit> own) {
  std::vector<ProgramUnit> units(lower.begin(), lower.end());
  units.insert(units.end(), own);
  return units;
}

void start_units(std::span<const ProgramUnit> units) {
  for (const ProgramUnit& unit : units) {
    if (unit.start != nullptr) unit.start();
  }
}

void reset_units(std::span<const ProgramUnit> units) {
  for (const ProgramUnit& unit : units) {
    if (unit.reset != nullptr) unit.reset();
  }
}

void finish_units(std::span<const ProgramUnit> units) {
  // Reverse iterators rather than a reversed view: clang 14 cannot use libstdc++ 12's views here.
  for (auto unit = units.rbegin(); unit != units.rend(); ++unit) {
    if (unit->finish != nullptr) unit->finish();
  }
}

}  // namespace vx
