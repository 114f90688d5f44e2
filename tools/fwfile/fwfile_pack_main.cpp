// fwfile_pack SRECORDS DIRECTORY BASE VERSION: writes the S-record file as
// the interface firmware file DIRECTORY/BASE.NNN for the version M.mm.
#include <fstream>
#include <iostream>
#include <iterator>

#include "tools/fwfile/firmware_file.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: fwfile_pack SRECORDS DIRECTORY BASE VERSION\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "fwfile_pack: cannot read " << argv[1] << "\n";
    return 1;
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string error;
  const std::optional<std::string> written = vx::tools::write_firmware_file(text, argv[2], argv[3], argv[4], error);
  if (!written) {
    std::cerr << "fwfile_pack: " << error << "\n";
    return 1;
  }
  std::cout << *written << "\n";
  return 0;
}
