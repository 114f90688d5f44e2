#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Writes ImageCraft debug files for the tests, one keyword line at a time;
// addresses in hexadecimal without a prefix, the rest in decimal.
namespace vx::loaders::test_support {

class ImageCraftWriter {
 public:
  // Starts with the three header lines.
  ImageCraftWriter() : text_("IMAGECRAFT DEBUG FORMAT\nVERSION 1.1\nCPU HC08\n") {}

  ImageCraftWriter& raw(std::string_view line) {
    text_.append(line).append("\n");
    return *this;
  }
  ImageCraftWriter& dir(std::string_view directory) { return raw("DIR " + std::string(directory)); }
  ImageCraftWriter& file(std::string_view name) { return raw("FILE " + std::string(name)); }
  ImageCraftWriter& func(std::string_view name, std::uint32_t address) {
    return raw("FUNC " + std::string(name) + " " + hex(address));
  }
  ImageCraftWriter& funcend(std::uint32_t address) { return raw("FUNCEND " + hex(address)); }
  ImageCraftWriter& line(int number, std::uint32_t address) { return keyed("LINE", number, address); }
  ImageCraftWriter& block(int number, std::uint32_t address) { return keyed("BLOCK", number, address); }
  ImageCraftWriter& blockend(int number, std::uint32_t address) { return keyed("BLOCKEND", number, address); }
  ImageCraftWriter& defglobal(std::string_view name, std::uint32_t address, std::string_view type) {
    return raw("DEFGLOBAL " + std::string(name) + " " + hex(address) + " " + std::string(type));
  }
  ImageCraftWriter& defstatic(std::string_view name, std::uint32_t address, std::string_view type) {
    return raw("DEFSTATIC " + std::string(name) + " " + hex(address) + " " + std::string(type));
  }
  ImageCraftWriter& deflocal(std::string_view name, int offset, std::string_view type) {
    return raw("DEFLOCAL " + std::string(name) + " " + std::to_string(offset) + " " + std::string(type));
  }
  ImageCraftWriter& structure(int size, std::string_view name) {
    return raw("STRUCT " + std::to_string(size) + " " + std::string(name));
  }
  ImageCraftWriter& union_type(int size, std::string_view name) {
    return raw("UNION " + std::to_string(size) + " " + std::string(name));
  }
  ImageCraftWriter& field(int offset, std::string_view name, std::string_view type) {
    return raw("FIELD " + std::to_string(offset) + " " + std::string(name) + " " + std::string(type));
  }
  ImageCraftWriter& structend() { return raw("STRUCTEND"); }
  ImageCraftWriter& unionend() { return raw("UNIONEND"); }

  const std::string& text() const { return text_; }

 private:
  static std::string hex(std::uint32_t value) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%04X", value);
    return digits;
  }
  ImageCraftWriter& keyed(std::string_view keyword, int number, std::uint32_t address) {
    return raw(std::string(keyword) + " " + std::to_string(number) + " " + hex(address));
  }

  std::string text_;
};

}  // namespace vx::loaders::test_support
