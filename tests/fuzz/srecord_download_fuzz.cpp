// libFuzzer target over the S-record line decoder and the target write buffer
// that the algorithm download feeds. The input is the text file; no interface
// is open, so the block writes it makes go nowhere.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "interface/byte_protocol.h"
#include "interface/link_state.h"
#include "interface/srecord_download.h"

namespace {

constexpr std::uint8_t no_interface_class = 3;

// The first data character of each record type, as the engine gives it.
std::uint16_t data_position(char type) { return type == '1' ? 9 : type == '2' ? 11 : 13; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx;
  reset_link_state();
  reset_byte_protocol();
  link_state().interface_class = static_cast<InterfaceClass>(no_interface_class);
  byte_protocol().halt_on_failure = false;
  reset_srecord_download();
  std::istringstream file(std::string(reinterpret_cast<const char*>(data), size));
  SrecordDownload& state = srecord_download();
  state.file = &file;
  while (file.good()) {
    if (!read_srecord_line(true)) continue;
    if (state.data_count > SrecordDownload::record_capacity) std::abort();
    state.current_address = state.record_address;
    state.write_count = state.data_count;
    write_srecord_data_bytes(data_position(state.line[1]));
    if (state.run_length > SrecordDownload::run_capacity) std::abort();
  }
  flush_target_write_buffer();
  if (state.run_length != 0) std::abort();
  state.file = nullptr;
  return 0;
}
