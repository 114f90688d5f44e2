#include "utilities/fwscout_form.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "fwupdate/update_pictures.h"
#include "fwupdate/updater_usb_ports.h"
#include "platform/ws/application.h"
#include "platform/ws/color.h"
#include "platform/ws/font.h"
#include "platform/ws/placed_controls.h"
#include "platform/ws/shell.h"
#include "utilities/scout_device_lines.h"

namespace vx::utilities::fwscout_form {
namespace {

constexpr const char* caption_text = "Quorvex Universal / Osbdm / Osjtag - Firmware Information Utility v1.00";
constexpr const char* link_text = "Click this link for more information on this hardware";
constexpr int form_width = 870, form_height = 484;
constexpr int panel_height = 107, list_height = 284;

std::unique_ptr<ws::Label> make_link(ws::Window* parent, int left, int top) {
  auto link = ws::make_label(parent, link_text, left, top);
  link->set_font({.underline = true, .color = ws::color::blue});
  link->parent_color = false;
  link->set_color(ws::color::white);
  return link;
}

}  // namespace

TForm1::TForm1() {
  set_caption(caption_text);
  set_bounds((ws::screen_width() - form_width) / 2, (ws::screen_height() - form_height) / 2, form_width,
             form_height);
  on_show = [this](ws::Form&) { FormShow(); };

  // The panel and the list lie along the top: they follow the window's width.
  panel_ = std::make_unique<ws::Panel>(this);
  panel_->set_bounds(0, 0, form_width, panel_height);
  panel_->set_align(ws::Align::top);
  ws::Picture picture = fwupdate::draw_usb_interface();
  image_ = std::make_unique<ws::Image>(panel_.get());
  image_->set_bounds(6, (panel_height - picture.height) / 2, picture.width, picture.height);
  image_->set_picture(std::move(picture));
  const int left = 16 + image_->width();
  label4_ = ws::make_label(panel_.get(),
                       "This application displays all Universal Quorvex, Osbdm, and Osjtag devices currently connected "
                       "to the PC.",
                       left, 10);
  label2_ = ws::make_label(panel_.get(), "Universal Quorvex : ", left, 38);
  label1_ = ws::make_label(panel_.get(), "Tamberly Stand-Alone Programmer and Debug Interface :", left, 58);
  label13_ = ws::make_label(panel_.get(), "Osbdm / Osjtag Embedded Design :", left, 78);
  // The links line up behind the longest label, whatever the display's font makes of it.
  const int links = left + std::max({label2_->width(), label1_->width(), label13_->width()}) + 12;
  label6_ = make_link(panel_.get(), links, 38);
  label6_->on_click = [this](ws::Window&) { Label6Click(); };
  label3_ = make_link(panel_.get(), links, 58);
  label3_->on_click = [this](ws::Window&) { Label3Click(); };
  label14_ = make_link(panel_.get(), links, 78);
  label14_->on_click = [this](ws::Window&) { Label14Click(); };

  list_ = std::make_unique<ws::ListBox>(this);
  list_->set_bounds(0, panel_height, form_width, list_height);
  list_->set_align(ws::Align::top);
  list_->set_font({.name = "Courier New", .height = 13});

  const int below = panel_height + list_height + 10;
  refresh_ = std::make_unique<ws::Button>(this, "Refresh");
  refresh_->set_bounds(8, below, 90, 25);
  refresh_->on_click = [this](ws::Window&) { refreshbuttonClick(); };
  set_active_control(refresh_.get());
  label5_ = ws::make_label(this, "Information : ", 120, below + 6);
  label9_ = ws::make_label(this, "Tamberly Pro Stand Alone Programmer :", 120, below + 30);
  const int info_links = 120 + label9_->width() + 12;
  label8_ = make_link(this, info_links, below + 30);
  label10_ = make_link(this, info_links, below + 50);
}

TForm1::~TForm1() = default;

void TForm1::FormShow() { build_device_list(); }

void TForm1::refreshbuttonClick() { build_device_list(); }

void TForm1::Label6Click() { ws::open_url(universal_page); }

void TForm1::Label3Click() { ws::open_url(programmers_page); }

void TForm1::Label14Click() { ws::open_url(osbdm_page); }

void TForm1::build_device_list() {
  list_->clear_items();
  refresh_->set_enabled(false);
  ws::process_messages();
  list_->add_item("");
  const std::int32_t count = updater::enumerate_devices();
  refresh_->set_enabled(true);
  for (const std::string& line : device_lines(count)) list_->add_item(line);
}

}  // namespace vx::utilities::fwscout_form
