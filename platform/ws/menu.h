#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ws/message_window.h"

namespace vx::ws {

class Menu;

class MenuItem {
 public:
  MenuItem(Menu& menu, std::uintptr_t command, std::string item_caption, std::function<void(MenuItem&)> click_handler);

  std::string caption;
  bool enabled = true;
  bool visible = true;
  std::function<void(MenuItem&)> on_click;

  Menu& menu() const { return menu_; }
  std::uintptr_t command() const { return command_; }
  // Fires on_click when the item is enabled and visible.
  void click();

 private:
  Menu& menu_;
  std::uintptr_t command_;
};

// A list of items. A chosen item's click arrives through the menu's own
// window as msg::command, after the menu has closed.
class Menu {
 public:
  Menu();
  virtual ~Menu() = default;
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  MenuItem& add(std::string caption, std::function<void(MenuItem&)> on_click = {});
  const std::vector<std::unique_ptr<MenuItem>>& items() const { return items_; }
  MenuItem* find(std::string_view caption) const;
  // Posts the choice of an item, as a user's click on it does.
  void choose(const MenuItem& item);

 private:
  LResult on_message(Message& message);

  MessageWindow window_;
  std::vector<std::unique_ptr<MenuItem>> items_;
};

class MainMenu : public Menu {};

class PopupMenu : public Menu {
 public:
  // Shows the menu at a screen point. The item chosen beforehand with
  // choose_next_popup_item is posted at once; otherwise a display shows the
  // menu and posts the user's choice, and a headless menu closes at once.
  void popup(Point screen);
  std::optional<Point> last_popup;
};

// The item, by caption, that the next popup menu shown will choose.
void choose_next_popup_item(std::string caption);
void reset_menus();

}  // namespace vx::ws
