#include "platform/ws/picture.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

namespace vx::ws {
namespace {

// A hostile header must not make us allocate without bound.
constexpr std::uint64_t max_pixels = 64ull * 1024 * 1024;
constexpr std::uintmax_t max_file_bytes = 64ull * 1024 * 1024;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

// The library reports a fatal error by calling this; it must not return.
[[noreturn]] void on_fatal_error(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  std::longjmp(manager->jump, 1);
}

// Warnings of damaged data are not printed; the picture is still used.
void on_message(j_common_ptr, int) {}

// Every object here is plain data, so the long jump skips no destructor.
bool decode_into(std::span<const std::uint8_t> data, Picture& picture) {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = on_fatal_error;
  errors.base.emit_message = on_message;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const std::uint64_t pixels = static_cast<std::uint64_t>(info.image_width) * info.image_height;
  if (pixels == 0 || pixels > max_pixels) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  picture.width = static_cast<int>(info.output_width);
  picture.height = static_cast<int>(info.output_height);
  const std::size_t row_bytes = static_cast<std::size_t>(info.output_width) * 3;
  picture.rgb.resize(row_bytes * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = picture.rgb.data() + row_bytes * info.output_scanline;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) {
      jpeg_destroy_decompress(&info);
      return false;
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

std::optional<Picture> decode_jpeg(std::span<const std::uint8_t> data) {
  if (data.empty()) return std::nullopt;
  Picture picture;
  if (!decode_into(data, picture)) return std::nullopt;
  return picture;
}

std::optional<Picture> load_jpeg_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return std::nullopt;
  const std::streamoff size = file.tellg();
  if (size <= 0 || static_cast<std::uintmax_t>(size) > max_file_bytes) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
  return decode_jpeg(bytes);
}

}  // namespace vx::ws
