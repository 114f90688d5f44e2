#pragma once

#include <filesystem>

#include "platform/portio.h"

namespace vx::platform {

// Parallel ports through Linux ppdev: parportN's base address comes from
// <proc_dir>/parportN/base-addr, its registers from <device_dir>/parportN,
// claimed while open.
class PpdevPortSet final : public ParallelPortSet {
 public:
  explicit PpdevPortSet(std::filesystem::path proc_dir = "/proc/sys/dev/parport",
                        std::filesystem::path device_dir = "/dev");

  std::optional<std::vector<std::uint16_t>> base_addresses() override;
  std::unique_ptr<ParallelPort> open(std::uint16_t base) override;
  std::string open_problem() override { return problem_; }

 private:
  struct Listed {
    unsigned number;
    std::uint16_t base;
  };
  std::optional<std::vector<Listed>> list();

  std::filesystem::path proc_dir_;
  std::filesystem::path device_dir_;
  std::string problem_;
};

}  // namespace vx::platform
