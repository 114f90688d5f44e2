// The Qt backend's dialogs and desktop services, pressed as a user would
// press them, on Qt's offscreen platform.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/ws/clipboard.h"
#include "platform/ws/display.h"
#include "platform/ws/display_backend.h"
#include "platform/ws/qt/qt_backend.h"
#include "platform/ws/qt/qt_dialogs.h"
#include "platform/ws/reset.h"
#include "platform/ws/settling_responder.h"
#include "platform/ws/shell.h"
#include "support/scoped_platform.h"
#include "support/screenshot.h"
#include "support/temp_dir.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using namespace platform;

// Runs `act` on the modal dialog of type `Dialog` from inside its own event
// loop, once it is up.
template <typename Dialog>
void when_shown(std::function<void(Dialog&)> act, int attempts = 1000) {
  QTimer::singleShot(0, [act, attempts] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      act(*dialog);
    } else if (attempts > 0) {
      when_shown<Dialog>(act, attempts - 1);
    } else {
      ADD_FAILURE() << "no dialog came up";
    }
  });
}

std::string label(const QAbstractButton& button) { return button.text().remove(u'&').toStdString(); }

// The box's buttons from left to right.
std::vector<QAbstractButton*> buttons_in_order(const QMessageBox& box) {
  std::vector<QAbstractButton*> buttons;
  for (QAbstractButton* button : box.buttons()) buttons.push_back(button);
  std::sort(buttons.begin(), buttons.end(), [&](QAbstractButton* a, QAbstractButton* b) {
    return a->mapTo(&box, QPoint()).x() < b->mapTo(&box, QPoint()).x();
  });
  return buttons;
}

// Clicks the button, or closes the box without an answer when it has none such.
void click(QMessageBox& box, const std::string& text) {
  for (QAbstractButton* button : box.buttons()) {
    if (label(*button) == text) return button->click();
  }
  ADD_FAILURE() << "no button " << text;
  box.done(0);
}

void press(QWidget& widget, Qt::Key key) {
  QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}

std::string save_grab(QWidget& widget, const std::string& name) {
  std::filesystem::create_directories(VX_SCREENSHOTS);
  const std::string path = std::string(VX_SCREENSHOTS) + "/" + name + ".png";
  return widget.grab().save(QString::fromStdString(path), "PNG") ? path : std::string();
}

class QtDialogsTest : private test::OffscreenDisplay, public testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    set_headless(false);
    ASSERT_NE(display(), nullptr);
  }

  DialogResponder& dialogs = qt::open_dialogs();
};

TEST_F(QtDialogsTest, MessageBoxShowsItsButtonsInOrderAndAnswersEnterAndEscape) {
  struct Case {
    DialogButtons buttons;
    std::vector<std::string> labels;
    DialogResult enter;
    DialogResult escape;
  };
  const Case cases[] = {
      {button_ok, {"OK"}, result_ok, result_ok},
      {button_ok | button_cancel, {"OK", "Cancel"}, result_ok, result_cancel},
      {button_yes | button_no, {"Yes", "No"}, result_yes, result_no},
      {button_yes | button_no | button_cancel, {"Yes", "No", "Cancel"}, result_yes, result_cancel},
      {button_retry | button_ok, {"OK", "Retry"}, result_ok, result_ok},
      {button_yes_to_all | button_no_to_all | button_all | button_no | button_yes,
       {"Yes", "No", "All", "No to All", "Yes to All"}, result_yes, result_no},
      {0x7FF,
       {"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "No to All", "Yes to All", "Help"},
       result_yes, result_cancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.labels.front() + " ... " + c.labels.back());
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
      when_shown<QMessageBox>([&](QMessageBox& box) {
        std::vector<std::string> labels;
        for (const QAbstractButton* button : buttons_in_order(box)) labels.push_back(label(*button));
        EXPECT_EQ(labels, c.labels);
        EXPECT_EQ(box.defaultButton() != nullptr ? label(*box.defaultButton()) : "none", c.labels.front());
        press(box, key);
      });
      EXPECT_EQ(dialogs.message_box({"Erase the flash?", DialogKind::confirmation, c.buttons, 0}),
                key == Qt::Key_Return ? c.enter : c.escape);
    }
  }
}

TEST_F(QtDialogsTest, EveryButtonAnswersItsResult) {
  struct Case {
    DialogButtons buttons;
    std::vector<std::pair<std::string, DialogResult>> answers;
  };
  const Case cases[] = {
      {button_yes | button_no, {{"Yes", result_yes}, {"No", result_no}}},
      {button_ok | button_cancel, {{"OK", result_ok}, {"Cancel", result_cancel}}},
      {button_abort | button_retry | button_ignore,
       {{"Abort", result_abort}, {"Retry", result_retry}, {"Ignore", result_ignore}}},
      {button_all | button_no_to_all | button_yes_to_all,
       {{"All", result_all}, {"No to All", result_no_to_all}, {"Yes to All", result_yes_to_all}}},
  };
  for (const Case& c : cases) {
    for (const auto& [text, result] : c.answers) {
      when_shown<QMessageBox>([&button_text = text](QMessageBox& box) { click(box, button_text); });
      EXPECT_EQ(dialogs.message_box({"Target not responding.", DialogKind::error, c.buttons, 0}), result) << text;
    }
  }
}

TEST_F(QtDialogsTest, MessageBoxCarriesTheTitleTextAndIcon) {
  set_application_title("Zorvan Programmer");
  const std::pair<DialogKind, QMessageBox::Icon> icons[] = {
      {DialogKind::warning, QMessageBox::Warning},       {DialogKind::error, QMessageBox::Critical},
      {DialogKind::information, QMessageBox::Information}, {DialogKind::confirmation, QMessageBox::Question},
      {DialogKind::custom, QMessageBox::NoIcon},
  };
  for (const auto& [kind, icon] : icons) {
    when_shown<QMessageBox>([&, icon = icon](QMessageBox& box) {
      EXPECT_EQ(box.windowTitle().toStdString(), "Zorvan Programmer");
      EXPECT_EQ(box.text().toStdString(), "Voltage <3.3 V> too low");
      EXPECT_EQ(box.icon(), icon);
      press(box, Qt::Key_Return);
    });
    EXPECT_EQ(dialogs.message_box({"Voltage <3.3 V> too low", kind, button_ok, 0}), result_ok);
  }
}

// A program that gives no title of its own has its name on its message boxes.
TEST_F(QtDialogsTest, WithoutATitleTheBoxCarriesTheProgramsName) {
  reset_shell();
  when_shown<QMessageBox>([](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle().toStdString(), program_invocation_short_name);
    press(box, Qt::Key_Return);
  });
  EXPECT_EQ(dialogs.message_box({"Done.", DialogKind::information, button_ok, 0}), result_ok);
}

TEST_F(QtDialogsTest, HelpAsksForHelpAndKeepsTheBoxOpen) {
  when_shown<QMessageBox>([&](QMessageBox& box) {
    click(box, "Help");
    when_shown<QMessageBox>([](QMessageBox& again) { click(again, "OK"); });
  });
  EXPECT_EQ(dialogs.message_box({"Checksum mismatch.", DialogKind::error, button_ok | button_help, 42}), result_ok);
  EXPECT_EQ(help_requests(), std::vector<std::string>{"42"});
}

TEST(QtFileDialogFilters, BecomeQtNameFilters) {
  struct Case {
    std::string filter;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"", {}},
      {"S-record files|*.s19", {"S-record files (*.s19)"}},
      {"S-records|*.s19;*.sx; *.srec|Intel hex|*.hex",
       {"S-records (*.s19 *.sx *.srec)", "Intel hex (*.hex)"}},
      {"All files (*.*)|*.*", {"All files (*.*) (*)"}},
      {"Binaries|*.bin|Orphan", {"Binaries (*.bin)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(qt::name_filters(c.filter), c.expected) << c.filter;
}

class QtFileDialogTest : public QtDialogsTest {
 protected:
  QtFileDialogTest() { std::ofstream(dir.file("blink.s19")) << "S9030000FC\n"; }

  FileOpenDialog open_dialog() const {
    FileOpenDialog dialog;
    dialog.title = "Open S-record file";
    dialog.filter = "Hex files|*.hex|S-records|*.s19;*.sx|All files|*.*";
    dialog.filter_index = 2;
    dialog.initial_directory = dir.path().string();
    dialog.default_extension = "s19";
    return dialog;
  }

  test::TempDir dir;
};

TEST_F(QtFileDialogTest, OpensWhereAskedAndCancelGivesNothing) {
  FileOpenDialog asked = open_dialog();
  asked.file_name = "blink.s19";
  asked.path_must_exist = true;
  when_shown<QFileDialog>([&](QFileDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Open S-record file");
    EXPECT_EQ(dialog.directory().absolutePath().toStdString(), dir.path().string());
    EXPECT_EQ(dialog.selectedNameFilter().toStdString(), "S-records");
    const auto* files = dialog.findChild<QFileSystemModel*>();
    EXPECT_EQ(files != nullptr ? files->nameFilters() : QStringList(), (QStringList{"*.s19", "*.sx"}));
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    const auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
    EXPECT_EQ(name != nullptr ? name->text().toStdString() : "no name field", "blink.s19");
    dialog.reject();
  });
  EXPECT_EQ(dialogs.open_file(asked), std::nullopt);
}

TEST_F(QtFileDialogTest, ATypedNameGetsTheDefaultExtension) {
  for (const bool must_exist : {false, true}) {
    FileOpenDialog asked = open_dialog();
    asked.path_must_exist = must_exist;
    when_shown<QFileDialog>([](QFileDialog& dialog) {
      if (auto* name = dialog.findChild<QLineEdit*>("fileNameEdit")) {
        name->setText("blink");
        press(*name, Qt::Key_Return);
      } else {
        ADD_FAILURE() << "no name field";
        dialog.reject();
      }
    });
    EXPECT_EQ(dialogs.open_file(asked), dir.file("blink.s19")) << must_exist;
  }
}

TEST_F(QtFileDialogTest, AnyDefaultExtensionCompletesANameThatNeedNotExist) {
  FileOpenDialog asked = open_dialog();
  asked.default_extension = "$_~";
  when_shown<QFileDialog>([](QFileDialog& dialog) {
    if (auto* name = dialog.findChild<QLineEdit*>("fileNameEdit")) {
      name->setText("missing");
      press(*name, Qt::Key_Return);
    } else {
      ADD_FAILURE() << "no name field";
      dialog.reject();
    }
  });
  EXPECT_EQ(dialogs.open_file(asked), dir.file("missing.$_~"));
}

TEST_F(QtFileDialogTest, ScreenshotsOfBothDialogs) {
  std::ofstream(dir.file("usb_loader.s19")) << "S9030000FC\n";
  std::filesystem::create_directory(dir.path() / "firmware");
  std::string file_dialog;
  when_shown<QFileDialog>([&](QFileDialog& dialog) {
    // The dialog lists the folder from a thread of its own.
    auto* files = dialog.findChild<QFileSystemModel*>();
    const QString folder = QString::fromStdString(dir.path().string());
    const auto grab_listed = [&] {
      file_dialog = save_grab(dialog, "qt_file_dialog");
      dialog.reject();
    };
    if (files == nullptr || files->rowCount(files->index(folder)) == 3) {
      grab_listed();
    } else {
      QObject::connect(files, &QFileSystemModel::directoryLoaded, &dialog,
                       [&dialog, folder, grab_listed](const QString& loaded) {
                         if (loaded == folder) QTimer::singleShot(0, &dialog, grab_listed);
                       });
    }
  });
  dialogs.open_file(open_dialog());
  EXPECT_FALSE(file_dialog.empty());

  set_application_title("Zorvan Programmer");
  std::string message_box;
  when_shown<QMessageBox>([&](QMessageBox& box) {
    message_box = save_grab(box, "qt_message_box");
    press(box, Qt::Key_Escape);
  });
  dialogs.message_box({"The target did not answer. Check the cable and the target's power, then try again.",
                       DialogKind::warning, button_yes | button_no | button_cancel, 0});
  EXPECT_FALSE(message_box.empty());
}

TEST_F(QtDialogsTest, HeadlessTheyAnswerAsNobodyWould) {
  set_headless(true);
  EXPECT_EQ(dialogs.message_box({"Erase the flash?", DialogKind::confirmation, button_yes | button_no, 0}),
            result_no);
  EXPECT_EQ(dialogs.open_file({}), std::nullopt);
}

TEST_F(QtDialogsTest, FormsShownModallyAreAnsweredAsNobodyWould) {
  FormDialog form;
  form.caption = "Trim";
  form.buttons = button_ok | button_cancel;
  EXPECT_EQ(dialogs.modal_form(form), result_cancel);
}

TEST(QtDialogsDeathTest, StartingTheDisplayInstallsThemUnlessAResponderIsInstalled) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const bool scripted : {false, true}) {
    EXPECT_EXIT(
        {
          setenv("QT_QPA_PLATFORM", "offscreen", 1);
          install_display_backend(&qt::backend());
          reset_window_system();
          std::optional<test::RecordingResponder> script;
          if (scripted) script.emplace(result_yes);
          const bool started = display() != nullptr;
          // Unscripted, the Qt dialogs answer behind the responder that first settles the windows.
          const bool installed = scripted ? &dialog_responder() == &*script
                                          : dynamic_cast<SettlingResponder*>(&dialog_responder()) != nullptr;
          std::exit(started && installed ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << (scripted ? "scripted" : "nothing installed");
  }
}

using DesktopTest = QtDialogsTest;

TEST_F(DesktopTest, ClipboardIsTheDesktopsWithADisplayAndInMemoryHeadless) {
  set_clipboard_text("Zorvan 0x1F80");
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "Zorvan 0x1F80");
  QGuiApplication::clipboard()->setText(QStringLiteral("from another program"));
  EXPECT_EQ(clipboard_text(), "from another program");
  clear_clipboard();
  EXPECT_FALSE(clipboard_has_text());
  EXPECT_EQ(clipboard_text(), std::nullopt);

  set_headless(true);
  set_clipboard_text("kept in memory");
  EXPECT_EQ(clipboard_text(), "kept in memory");
  EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
}

TEST_F(DesktopTest, TheDesktopStaysWithTheBackendThatStartedTheDisplay) {
  DisplayBackend* const installed = install_display_backend(nullptr);
  EXPECT_NE(display(), nullptr);
  EXPECT_EQ(display_backend(), &qt::backend());
  set_clipboard_text("Zorvan 0x1F80");
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "Zorvan 0x1F80");
  install_display_backend(installed);
}

TEST_F(DesktopTest, ScreenAndBeepAreTheDisplaysAndFixedHeadless) {
  const QSize size = QGuiApplication::primaryScreen()->size();
  EXPECT_GT(screen_width(), 0);
  EXPECT_EQ(screen_width(), size.width());
  EXPECT_EQ(screen_height(), size.height());
  EXPECT_GE(screen_pixels_per_inch(), 48);
  EXPECT_LE(screen_pixels_per_inch(), 480);
  beep();
  EXPECT_EQ(beep_count(), 1u);

  set_headless(true);
  EXPECT_EQ(screen_width(), 1280);
  EXPECT_EQ(screen_height(), 1024);
  EXPECT_EQ(screen_pixels_per_inch(), 96);
}

}  // namespace
}  // namespace vx::ws
