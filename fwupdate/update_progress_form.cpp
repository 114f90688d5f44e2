#include "fwupdate/update_progress_form.h"

#include <cstdio>

#include "fwupdate/fx_logic.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/update_pictures.h"
#include "fwupdate/updater_usb_ports.h"
#include "platform/ws/application.h"
#include "platform/ws/color.h"
#include "platform/ws/font.h"
#include "platform/ws/shell.h"

namespace vx::fwupdate {
namespace {

constexpr const char* caption_text = "Updating firmware of VLX Interface...";
constexpr const char* detected_text = "Interface hardware detected with old firmware. Updating...      (Please Wait)";
constexpr int text_left = 150, value_left = 300;

std::unique_ptr<ws::Label> make_label(ws::Form* form, const char* text, int left, int top, ws::Font font) {
  auto label = std::make_unique<ws::Label>(form);
  label->set_caption(text);
  label->set_font(font);
  label->set_bounds(left, top, 145, 16);
  return label;
}

std::unique_ptr<ws::Image> make_picture(ws::Form* form, ws::Picture picture) {
  auto image = std::make_unique<ws::Image>(form);
  image->set_bounds(8, 16, picture.width, picture.height);
  image->set_picture(std::move(picture));
  return image;
}

enum class UsbPicture : std::uint8_t { interface, board, fx };

// Only the updater's build tells its USB devices apart.
UsbPicture usb_picture(const UpdateDecision& decision) {
  if (decision.build != EngineBuild::updater) return UsbPicture::interface;
  if (updater::updater_usb_ports().usb_device_family == updater::UpdaterUsbPorts::family_osbdm) return UsbPicture::board;
  return decision.universal_kind == universal_fx ? UsbPicture::fx : UsbPicture::interface;
}

void to_stderr(const ShortText& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace

Taskupdate_bdmquorvex1::Taskupdate_bdmquorvex1() {
  set_caption(caption_text);
  set_border_style(ws::BorderStyle::single);
  // The updater's window is wider for its board and FX pictures.
  const int form_width = update_decision().build == EngineBuild::updater ? 694 : 613, form_height = 188;
  set_bounds((ws::screen_width() - form_width) / 2, (ws::screen_height() - form_height) / 2, form_width, form_height);
  const ws::Font bold{.bold = true};
  const ws::Font value{.bold = true, .color = ws::color::navy};
  detected_ = make_label(this, detected_text, text_left, 8, {.height = 13, .bold = true});
  detected_->set_auto_size(false);
  detected_->set_word_wrap(true);
  detected_->set_bounds(text_left, 8, 341, 32);
  cable_picture_ = make_picture(this, draw_parallel_cable());
  current_caption_ = make_label(this, "Current Firmware:", text_left, 52, bold);
  update_caption_ = make_label(this, "Update Firmware:", text_left, 72, bold);
  current_ = make_label(this, "0.00", value_left, 52, value);
  update_ = make_label(this, "0.00", value_left, 72, value);
  status_ = make_label(this, "", text_left, 128, {.name = "Times New Roman", .height = 13, .bold = true});
  status_->set_auto_size(false);
  // Room for a second line: the longest message does not fit the label's width in one.
  status_->set_word_wrap(true);
  status_->set_bounds(text_left, 128, 445, 34);
  usb_picture_ = make_picture(this, draw_usb_interface());
  usb_picture_->hide();
  programmer_picture_ = make_picture(this, draw_programmer());
  original_caption_ = make_label(this, "Original Firmware:", text_left, 92, bold);
  original_caption_->hide();
  original_ = make_label(this, "0.00", value_left, 92, value);
  original_->hide();
  osbdm_picture_ = make_picture(this, draw_osbdm_board());
  fx_picture_ = make_picture(this, draw_universal_fx());
  fx_picture_->hide();
  install_update_progress_view(this);
}

Taskupdate_bdmquorvex1::~Taskupdate_bdmquorvex1() {
  if (update_progress().view == this) install_update_progress_view(nullptr);
}

void Taskupdate_bdmquorvex1::show_update_window() {
  const UpdateDecision& decision = update_decision();
  original_caption_->set_caption("Original Firmware:");
  set_caption(caption_text);
  detected_->set_caption(detected_text);
  set_color(ws::color::button_face);
  current_->set_caption(decision.current_version_text.view());
  // An explicit file has no version of its own: the selection window put its name here.
  if (!decision.use_explicit_file) update_->set_caption(decision.update_version_text.view());
  const bool original_shown = decision.update_link_kind == usb_link && decision.windriver_interface;
  original_->set_caption(decision.original_version_text.view());
  original_caption_->set_visible(original_shown);
  original_->set_visible(original_shown);
  const UsbPicture usb = decision.picture == 0 ? usb_picture(decision) : UsbPicture::interface;
  cable_picture_->set_visible(decision.picture == 1);
  usb_picture_->set_visible(decision.picture == 0 && usb == UsbPicture::interface);
  osbdm_picture_->set_visible(usb == UsbPicture::board);
  fx_picture_->set_visible(usb == UsbPicture::fx);
  // The flash programmer's build shows trace interfaces with the programmer's picture; the updater's shows none.
  programmer_picture_->set_visible(decision.picture == 2 ||
                                   (decision.picture == 4 && decision.build == EngineBuild::programmer));
  show();
  repaint();
  bring_to_front();
}

void Taskupdate_bdmquorvex1::show_update_status(const ShortText& text) {
  if (!visible()) {
    show();
    repaint();
  } else if (!focused()) {
    bring_to_front();
    repaint();
  }
  status_->set_caption(text.view());
  status_->repaint();
  if (ws::headless()) to_stderr(text);
  ws::process_messages();
}

void Taskupdate_bdmquorvex1::close_update_window(const ShortText& message, const ShortText& version) {
  const std::uint8_t mode = update_progress().result_mode;
  if (mode == update_succeeded) set_color(ws::color::green);
  if (mode == update_failed_mode) set_color(ws::color::maroon);
  current_->set_caption(version.view());
  detected_->set_caption(message.view());
  repaint();
  if (ws::headless()) to_stderr(message);
  ws::process_messages();
  close();
  ws::process_messages();
}

}  // namespace vx::fwupdate
