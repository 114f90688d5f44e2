// libFuzzer target over the ELF/DWARF module through the load driver: the
// input is the whole ELF file, loaded with its object bytes and its debug
// information, the address question answered without a word.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "foundation/status_output.h"
#include "loaders/debug_context.h"
#include "loaders/dwarf_state.h"
#include "loaders/elf_module.h"
#include "loaders/load_driver.h"
#include "platform/dialogs.h"
#include "platform/ws/application.h"
#include "support/recording_list_view.h"

namespace {

struct FuzzFile {
  std::string directory;
  std::string name;
};

const FuzzFile& file() {
  static const FuzzFile made = [] {
    char pattern[] = "/tmp/vxfuzz-elf-XXXXXX";
    const std::string directory = mkdtemp(pattern);
    return FuzzFile{directory, directory + "/fuzz.elf"};
  }();
  return made;
}

void remove_file() {
  std::remove(file().name.c_str());
  rmdir(file().directory.c_str());
}

// Answers as nobody would, without writing every question to stderr.
class QuietResponder final : public vx::platform::DialogResponder {
 public:
  vx::platform::DialogResult message_box(const vx::platform::MessageDialog& dialog) override {
    return vx::platform::non_interactive_answer(dialog.buttons);
  }
  std::optional<std::string> open_file(const vx::platform::FileOpenDialog&) override { return std::nullopt; }
  vx::platform::DialogResult modal_form(const vx::platform::FormDialog& dialog) override {
    return vx::platform::non_interactive_answer(dialog);
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static vx::test::RecordingListView view;
  vx::status_output().view = &view;
  static QuietResponder responder;
  vx::platform::install_dialog_responder(&responder);
  vx::ws::set_headless(true);
  vx::loaders::start_object_loading();
  file();
  std::atexit(remove_file);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::loaders;
  std::FILE* out = std::fopen(file().name.c_str(), "wb");
  if (out == nullptr) std::abort();
  if (size != 0) std::fwrite(data, 1, size, out);
  std::fclose(out);
  vx::status_output().lines.clear();
  reset_elf_module();
  reset_dwarf_state();

  LOAD_OBJECT_FILE(vx::ShortText(file().name), load_object_and_debug);
  clear_debug_database();
  clear_object_records();
  return 0;
}
