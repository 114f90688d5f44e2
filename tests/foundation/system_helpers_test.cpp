#include "foundation/system_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "support/scoped_platform.h"

namespace vx {
namespace {

TEST(WordHalvesAndUnsignedCompare, TreatValuesAsUnsigned) {
  EXPECT_EQ(high_word(0x10001), 1);
  EXPECT_EQ(low_word(0x10001), 1);
  EXPECT_EQ(high_word(0xFFFF0000u), 0xFFFF);
  EXPECT_FALSE(unsigned_less(0x80000000u, 1));
  EXPECT_TRUE(unsigned_less(1, 0x80000000u));
  EXPECT_TRUE(unsigned_greater(0xFFFFFFFFu, 0x7FFFFFFFu));
  EXPECT_FALSE(unsigned_greater(5, 5));
}

class FailingResponder final : public platform::DialogResponder {
 public:
  platform::DialogResult message_box(const platform::MessageDialog&) override {
    if (throw_standard) throw std::runtime_error("no display");
    throw 42;
  }
  std::optional<std::string> open_file(const platform::FileOpenDialog&) override { return std::nullopt; }
  platform::DialogResult modal_form(const platform::FormDialog&) override { return platform::result_cancel; }
  bool throw_standard = true;
};

TEST(SafeMessageDialogs, AlwaysAnswerAndNeverLetAStandardExceptionOut) {
  FailingResponder failing;
  platform::DialogResponder* previous = platform::install_dialog_responder(&failing);
  EXPECT_EQ(safe_message_dlg(0, "Proceed?", platform::DialogKind::confirmation,
                             platform::button_ok | platform::button_cancel, 0),
            platform::result_cancel);
  EXPECT_NO_THROW(safe_show_message(0, "Done"));
  failing.throw_standard = false;
  EXPECT_THROW(safe_message_dlg(0, "Proceed?", platform::DialogKind::warning, platform::button_yes, 0), int);
  platform::install_dialog_responder(previous);
}

TEST(SafeMessageDialogs, PassTheQuestionOnAndReturnItsAnswer) {
  test::RecordingResponder responder(platform::result_yes);
  EXPECT_EQ(safe_message_dlg(0, "Erase?", platform::DialogKind::warning, platform::button_yes | platform::button_no, 7),
            platform::result_yes);
  safe_show_message(0, "Finished");
  ASSERT_EQ(responder.shown.size(), 2u);
  EXPECT_EQ(responder.shown[0].text, "Erase?");
  EXPECT_EQ(responder.shown[0].kind, platform::DialogKind::warning);
  EXPECT_EQ(responder.shown[0].help_context, 7u);
  EXPECT_EQ(responder.shown[1].text, "Finished");
  EXPECT_EQ(responder.shown[1].buttons, platform::button_ok);
}

TEST(ExePathAndDirectories, SeeTheRealFileSystem) {
  ShortText path;
  GET_EXE_PATH(path);
  EXPECT_EQ(std::filesystem::path(path.str()), std::filesystem::canonical("/proc/self/exe"));
  EXPECT_TRUE(directory_exists(std::filesystem::temp_directory_path().string()));
  EXPECT_FALSE(directory_exists(path));
  EXPECT_FALSE(directory_exists("/no/such/directory"));
}

TEST(VolumeLabel, EveryDriveLetterFailsWithAnEmptyLabel) {
  for (char drive : {'A', 'C', 'z'}) {
    std::string label = "stale";
    EXPECT_NE(get_volume_label(label, drive), 0u);
    EXPECT_TRUE(label.empty());
  }
}

}  // namespace
}  // namespace vx
