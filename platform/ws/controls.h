#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/ws/picture.h"
#include "platform/ws/window.h"

// The static controls of the forms: panels, labels, group boxes, images.
namespace vx::ws {

enum class Bevel { none, raised, lowered };

class Panel : public Window {
 public:
  explicit Panel(Window* parent, std::string_view caption = {});
  const std::string& caption() const { return text(); }
  void set_caption(std::string_view caption) { set_text(caption); }
  void set_bevel_outer(Bevel bevel);

 protected:
  void paint(Canvas& canvas) override;

 private:
  Bevel bevel_outer_ = Bevel::raised;
};

// A caption on its parent's colour. With auto_size it takes the size of its
// text; with word_wrap it keeps its width and breaks the text to fit it.
class Label : public Window {
 public:
  explicit Label(Window* parent, std::string_view caption = {});
  const std::string& caption() const { return text(); }
  void set_caption(std::string_view caption) { set_text(caption); }
  bool transparent() const { return transparent_; }
  void set_transparent(bool transparent);
  void set_word_wrap(bool word_wrap);
  void set_auto_size(bool auto_size);

  LResult window_proc(Message& message) override;

 protected:
  void paint(Canvas& canvas) override;

 private:
  void fit_to_text();

  bool transparent_ = false;
  bool word_wrap_ = false;
  bool auto_size_ = true;
};

class GroupBox : public Window {
 public:
  explicit GroupBox(Window* parent, std::string_view caption = {});
  const std::string& caption() const { return text(); }
  void set_caption(std::string_view caption) { set_text(caption); }

 protected:
  void paint(Canvas& canvas) override;
};

class Image : public Window {
 public:
  explicit Image(Window* parent);
  const Picture& picture() const { return picture_; }
  void set_picture(Picture picture);
  // False, and the picture unchanged, when the data does not decode.
  bool load_jpeg(std::span<const std::uint8_t> data);
  bool stretch = false;

 protected:
  void paint(Canvas& canvas) override;

 private:
  Picture picture_;
};

}  // namespace vx::ws
