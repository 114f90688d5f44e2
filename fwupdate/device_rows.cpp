#include "fwupdate/device_rows.h"

#include <array>
#include <string>
#include <string_view>

#include "foundation/kstring.h"
#include "fwupdate/architecture_table.h"

namespace vx::updater {
namespace {

// Positions count from 1 and 0 means "not found", as in the model texts'
// own layout rules; copies and removals stay inside the text.
std::size_t position(std::string_view part, std::string_view text) {
  const std::size_t at = text.find(part);
  return at == std::string_view::npos ? 0 : at + 1;
}

std::string copy(const std::string& text, std::size_t from, std::ptrdiff_t count) {
  if (count <= 0 || from < 1 || from > text.size()) return {};
  return text.substr(from - 1, static_cast<std::size_t>(count));
}

void remove_through(std::string& text, std::size_t last) { text.erase(0, std::min(last, text.size())); }

// The model text after the ": " that follows the maker's part, less the
// words up to the second "-".
std::string model_rest(const std::string& description) {
  std::string rest = copy(description, position(":", description) + 2, static_cast<std::ptrdiff_t>(description.size()));
  remove_through(rest, position("-", rest));
  remove_through(rest, position("-", rest));
  return rest;
}

struct Configuration {
  const char* word;
  const char* name;
  std::uint8_t architecture;
};

constexpr std::array<Configuration, 6> configurations{{
    {"ARM", "Kinetis", 2},
    {"PPCNEXUS", "Qorivva/PX", 3},
    {"DSC", "DSC", 4},
    {"16/32", "HC16/683xx", 5},
    {"CF", "ColdFire V234", 1},
    {"12", "RS08, S08, S12(X)(Z), ColdFire+ V1", 0},
}};

DeviceRow interface_row(std::string text, const std::string& configuration_word) {
  std::string configuration = upper_case(trim(ShortText(configuration_word))).str();
  std::uint8_t suggestion = no_architecture;
  for (const Configuration& known : configurations) {
    if (configuration == known.word) {
      configuration = known.name;
      suggestion = known.architecture;
    }
  }
  if (!configuration.empty()) text += "  (" + configuration + " Configuration)";
  return {.text = ShortText(text), .suggested_architecture = suggestion};
}

struct BoardHint {
  const char* word;
  std::uint8_t architecture;
};

// Later hits overwrite earlier ones, so a text naming RS08 ends with RS08 although it holds "S08".
constexpr std::array<BoardHint, 9> board_hints{{
    {"KINETIS", 2},
    {"QORIVVA", 3},
    {"DSC", 4},
    {"16/32", 5},
    {"CFV234", 1},
    {"CFV1", 0},
    {"S08", 7},
    {"RS08", 6},
    {"S12", 8},
}};

}  // namespace

std::optional<DeviceRow> device_row(std::uint8_t hardware_type, const ShortText& description) {
  const std::string text = description.str();
  switch (hardware_type) {
    case quorvex_universal: {
      if (position("(FS)", text) == 0) return std::nullopt;
      std::string rest = model_rest(text);
      const std::string configuration = copy(rest, 1, static_cast<std::ptrdiff_t>(position("(FS)", rest)) - 2);
      remove_through(rest, position("(FS)", rest) + 3);
      return interface_row("Quorvex Universal" + rest, configuration);
    }
    case quorvex_universal_fx: {
      if (position("FX", text) == 0) return std::nullopt;
      std::string rest = model_rest(text);
      remove_through(rest, position("(", rest));
      const std::string configuration = copy(rest, 1, static_cast<std::ptrdiff_t>(position(")", rest)) - 1);
      remove_through(rest, position(")", rest));
      return interface_row("Quorvex Universal FX" + rest, configuration);
    }
    case osbdm_board: {
      const std::string upper = upper_case(description).str();
      if (position("OSBDM", upper) == 0 && position("OSJTAG", upper) == 0) return std::nullopt;
      DeviceRow row{.text = description, .suggested_architecture = no_architecture};
      for (const BoardHint& hint : board_hints) {
        if (position(hint.word, upper) != 0) row.suggested_architecture = hint.architecture;
      }
      if (position("S12", upper) != 0 && position("S12Z", upper) != 0) row.suggested_architecture = 9;
      return row;
    }
    default: return std::nullopt;
  }
}

}  // namespace vx::updater
