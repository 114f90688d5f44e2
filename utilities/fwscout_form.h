#pragma once

#include <memory>

#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"
#include "platform/ws/lists.h"

// fwscout's window.
namespace vx::utilities::fwscout_form {

// The maker's pages the link labels open.
inline constexpr const char* universal_page = "https://www.velmorix.example/quorvex-universal";
inline constexpr const char* programmers_page = "https://www.velmorix.example/tamberly";
inline constexpr const char* osbdm_page = "https://www.velmorix.example/osbdm-osjtag";

// Lists the Quorvex Universal interfaces and the OSBDM/OSJTAG boards on USB
// with what is known of each; Refresh lists them again.
class TForm1 final : public ws::Form {
 public:
  TForm1();
  ~TForm1() override;

  void FormShow();
  void refreshbuttonClick();
  void Label6Click();
  void Label3Click();
  void Label14Click();
  void build_device_list();

  ws::Panel& Panel2() { return *panel_; }
  ws::Image& Image1() { return *image_; }
  ws::Label& Label4() { return *label4_; }
  ws::Label& Label2() { return *label2_; }
  ws::Label& Label6() { return *label6_; }
  ws::Label& Label1() { return *label1_; }
  ws::Label& Label3() { return *label3_; }
  ws::Label& Label13() { return *label13_; }
  ws::Label& Label14() { return *label14_; }
  ws::ListBox& ListBox1() { return *list_; }
  ws::Button& refreshbutton() { return *refresh_; }
  ws::Label& Label5() { return *label5_; }
  ws::Label& Label9() { return *label9_; }
  ws::Label& Label8() { return *label8_; }
  ws::Label& Label10() { return *label10_; }

 private:
  std::unique_ptr<ws::Panel> panel_;
  std::unique_ptr<ws::Image> image_;
  std::unique_ptr<ws::Label> label4_, label2_, label6_, label1_, label3_, label13_, label14_;
  std::unique_ptr<ws::ListBox> list_;
  std::unique_ptr<ws::Button> refresh_;
  std::unique_ptr<ws::Label> label5_, label9_, label8_, label10_;
};

}  // namespace vx::utilities::fwscout_form
