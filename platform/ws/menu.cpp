#include "platform/ws/menu.h"

#include "platform/ws/application.h"
#include "platform/ws/display.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

std::optional<std::string>& next_popup_choice() {
  static std::optional<std::string> caption;
  return caption;
}

}  // namespace

MenuItem::MenuItem(Menu& menu, std::uintptr_t command, std::string item_caption,
                   std::function<void(MenuItem&)> click_handler)
    : caption(std::move(item_caption)), on_click(std::move(click_handler)), menu_(menu), command_(command) {}

void MenuItem::click() {
  if (enabled && visible && on_click) on_click(*this);
}

Menu::Menu() : window_([this](MessageWindow&, Message& message) { return on_message(message); }) {}

MenuItem& Menu::add(std::string caption, std::function<void(MenuItem&)> on_click) {
  items_.push_back(std::make_unique<MenuItem>(*this, items_.size() + 1, std::move(caption), std::move(on_click)));
  return *items_.back();
}

MenuItem* Menu::find(std::string_view caption) const {
  for (const auto& item : items_) {
    if (item->caption == caption) return item.get();
  }
  return nullptr;
}

void Menu::choose(const MenuItem& item) { post_message(window_.handle(), msg::command, item.command()); }

LResult Menu::on_message(Message& message) {
  if (message.id != msg::command) return window_.default_proc(message);
  for (const auto& item : items_) {
    if (item->command() == message.wparam) item->click();
  }
  return 0;
}

void PopupMenu::popup(Point screen) {
  last_popup = screen;
  std::optional<std::string>& choice = next_popup_choice();
  if (choice) {
    const MenuItem* item = find(*choice);
    choice.reset();
    if (item != nullptr && item->enabled && item->visible) choose(*item);
    return;
  }
  std::vector<PopupEntry> entries;
  std::vector<const MenuItem*> listed;
  for (const auto& item : items()) {
    if (!item->visible) continue;
    entries.push_back({item->caption, item->enabled});
    listed.push_back(item.get());
  }
  if (const std::optional<std::size_t> chosen = popup_on_display(entries, screen)) choose(*listed[*chosen]);
}

void choose_next_popup_item(std::string caption) { next_popup_choice() = std::move(caption); }

void reset_menus() { next_popup_choice().reset(); }

}  // namespace vx::ws
