#pragma once

#include <cstdint>
#include <vector>

#include "foundation/short_text.h"

// Format module 4: the text debug files of the ImageCraft C tool chain,
// version 1.1 for the HC08. They give debug information only, no object bytes.
namespace vx::loaders {

enum ImageCraftError : std::uint8_t {
  imagecraft_no_error = 0,
  imagecraft_no_file = 1,
  imagecraft_unexpected_text = 2,
  imagecraft_wrong_version = 3,
  imagecraft_srecord_failure = 4,
  imagecraft_unknown_target = 5,
  imagecraft_no_memory = 6,
  // The debug reading stopped at something it could not read.
  imagecraft_unknown = 7,
};

struct ImageCraftModule {
  // The name the test or open found.
  ShortText file_name;
  std::vector<std::uint8_t> text;
  bool file_open = false;
};

ImageCraftModule& imagecraft_module();
void reset_imagecraft_module();

void DEBUG_DLL_TEST_IMAGECRAFT();
void DEBUG_DLL_NAME_IMAGECRAFT();
ShortText DEBUG_DLL_FILTER_IMAGECRAFT();
void DEBUG_DLL_ERROR_IMAGECRAFT();
void DEBUG_DLL_OPEN_IMAGECRAFT();
void DEBUG_DLL_LOAD_IMAGECRAFT();
void DEBUG_DLL_CLOSE_IMAGECRAFT();
void DEBUG_DLL_DEBUG_IMAGECRAFT();

}  // namespace vx::loaders
