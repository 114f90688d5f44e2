#pragma once

#include "platform/clock.h"
#include "platform/dialogs.h"

#include <optional>
#include <string>
#include <vector>

namespace vx::test {

// Installs a virtual clock for the life of a test.
class ScopedVirtualClock {
 public:
  explicit ScopedVirtualClock(std::uint64_t frequency = 1'000'000'000, std::uint64_t spin_step_ns = 1'000)
      : clock_(frequency, spin_step_ns), previous_(platform::install_clock(&clock_)) {}
  ~ScopedVirtualClock() { platform::install_clock(previous_); }
  ScopedVirtualClock(const ScopedVirtualClock&) = delete;
  ScopedVirtualClock& operator=(const ScopedVirtualClock&) = delete;

  platform::VirtualClock& operator*() { return clock_; }
  platform::VirtualClock* operator->() { return &clock_; }

 private:
  platform::VirtualClock clock_;
  platform::Clock* previous_;
};

// Records every message box and answers with a fixed result, for the life of a test.
class RecordingResponder final : public platform::DialogResponder {
 public:
  explicit RecordingResponder(platform::DialogResult answer) : answer_(answer) {
    previous_ = platform::install_dialog_responder(this);
  }
  ~RecordingResponder() override { platform::install_dialog_responder(previous_); }
  RecordingResponder(const RecordingResponder&) = delete;
  RecordingResponder& operator=(const RecordingResponder&) = delete;

  platform::DialogResult message_box(const platform::MessageDialog& dialog) override {
    shown.push_back(dialog);
    return answer_;
  }
  std::optional<std::string> open_file(const platform::FileOpenDialog&) override { return std::nullopt; }
  platform::DialogResult modal_form(const platform::FormDialog&) override { return answer_; }

  std::vector<platform::MessageDialog> shown;

 private:
  platform::DialogResult answer_;
  platform::DialogResponder* previous_;
};

}  // namespace vx::test
