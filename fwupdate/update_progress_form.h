#pragma once

#include <memory>

#include "fwupdate/update_progress.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"

namespace vx::fwupdate {

// The progress window of an update: the interface's picture, the current,
// update and (WinDriver) original versions and the last status line. It
// lives for the whole run and installs itself as the engine's view. With no
// display its lines also go to stderr, as the result panel's texts do.
class Taskupdate_bdmquorvex1 final : public ws::Form, public UpdateProgressView {
 public:
  Taskupdate_bdmquorvex1();
  ~Taskupdate_bdmquorvex1() override;

  void show_update_window() override;
  void show_update_status(const ShortText& text) override;
  void close_update_window(const ShortText& message, const ShortText& version) override;

  ws::Label& interfacedetectedlabel() { return *detected_; }
  ws::Label& currentfirmwarelabel() { return *current_; }
  ws::Label& updatefirmwarelabel() { return *update_; }
  ws::Label& StatusLabel() { return *status_; }
  ws::Label& Label1() { return *original_caption_; }
  ws::Label& Label2() { return *current_caption_; }
  ws::Label& Label4() { return *original_; }
  ws::Image& Image_parallel_cable() { return *cable_picture_; }
  ws::Image& image_usb_cable() { return *usb_picture_; }
  ws::Image& image_tamberlypro() { return *programmer_picture_; }
  ws::Image& image_osbdm_cable() { return *osbdm_picture_; }
  ws::Image& image_fx_quorvex() { return *fx_picture_; }

 private:
  std::unique_ptr<ws::Label> detected_, current_caption_, update_caption_, current_, update_, status_,
      original_caption_, original_;
  std::unique_ptr<ws::Image> cable_picture_, usb_picture_, programmer_picture_, osbdm_picture_, fx_picture_;
};

}  // namespace vx::fwupdate
