// s8p_pack OUTPUT PART...: writes the algorithm file that pack_s8p makes of the parts.
#include <fstream>
#include <iostream>
#include <iterator>

#include "tools/s8p/s8p_pack.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: s8p_pack OUTPUT PART...\n";
    return 2;
  }
  std::vector<std::string> parts;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::cerr << "s8p_pack: cannot read " << argv[i] << "\n";
      return 1;
    }
    parts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const vx::tools::PackedFile packed = vx::tools::pack_s8p(parts);
  if (!packed.error.empty()) {
    std::cerr << "s8p_pack: " << argv[1] << ": " << packed.error << "\n";
    return 1;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(packed.bytes.data()), static_cast<std::streamsize>(packed.bytes.size()));
  out.close();
  if (!out) {
    std::cerr << "s8p_pack: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
