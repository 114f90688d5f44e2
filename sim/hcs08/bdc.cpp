#include "sim/hcs08/bdc.h"

namespace vx::sim {

using namespace bdc;

std::optional<BdcCommandShape> bdc_command_shape(std::uint8_t command) {
  switch (command) {
    case kBackground: return BdcCommandShape{0, 0, false};
    case kReadStatus: return BdcCommandShape{0, 1, false};
    case kWriteControl: return BdcCommandShape{1, 0, false};
    case kReadByte: return BdcCommandShape{2, 1, false};
    case kReadByteWs: return BdcCommandShape{2, 2, false};
    case kReadLast: return BdcCommandShape{0, 2, false};
    case kWriteByte: return BdcCommandShape{3, 0, false};
    case kWriteByteWs: return BdcCommandShape{3, 1, false};
    case kReadBkpt: return BdcCommandShape{0, 2, false};
    case kWriteBkpt: return BdcCommandShape{2, 0, false};
    case kGo: return BdcCommandShape{0, 0, true};
    case kReadA: case kReadCcr: return BdcCommandShape{0, 1, true};
    case kReadPc: case kReadHx: case kReadSp: return BdcCommandShape{0, 2, true};
    case kReadNext: return BdcCommandShape{0, 1, true};
    case kReadNextWs: return BdcCommandShape{0, 2, true};
    case kWriteA: case kWriteCcr: return BdcCommandShape{1, 0, true};
    case kWritePc: case kWriteHx: case kWriteSp: return BdcCommandShape{2, 0, true};
    case kWriteNext: return BdcCommandShape{1, 0, true};
    case kWriteNextWs: return BdcCommandShape{1, 1, true};
    default: return std::nullopt;
  }
}

void BackgroundDebugController::reset(bool into_background) {
  control_ = into_background ? kEnbdm : 0;
  breakpoint_ = 0;
  last_read_ = 0;
}

std::uint8_t BackgroundDebugController::status(const BdcTarget& target) const {
  std::uint8_t value = control_;
  if (target.in_background()) value |= kBdmact;
  if (target.waiting_or_stopped()) value |= kWs;
  return value;
}

BdcReply BackgroundDebugController::read_memory(BdcTarget& target, std::uint16_t address, bool with_status) {
  last_read_ = target.debug_read(address);
  BdcReply reply;
  if (with_status) reply.bytes.push_back(status(target));
  reply.bytes.push_back(last_read_);
  return reply;
}

BdcReply BackgroundDebugController::execute(BdcTarget& target, std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return {BdcStatus::Unknown, {}};
  const std::uint8_t command = bytes[0];
  const auto shape = bdc_command_shape(command);
  if (!shape || bytes.size() != 1u + shape->host_bytes) return {BdcStatus::Unknown, {}};
  if (shape->needs_background && !target.in_background()) return {BdcStatus::NotInBackground, {}};

  const auto word = [&](std::size_t at) { return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]); };
  const auto pair = [](std::uint16_t value) {
    return std::vector<std::uint8_t>{static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
  };
  CpuRegisters& regs = target.debug_registers();

  switch (command) {
    case kBackground:
      if (enabled()) target.enter_background();
      return {};
    case kReadStatus: return {BdcStatus::Done, {status(target)}};
    case kWriteControl:
      control_ = bytes[1] & kWritable;
      return {};
    case kReadByte: return read_memory(target, word(1), false);
    case kReadByteWs: return read_memory(target, word(1), true);
    case kReadLast: return {BdcStatus::Done, {status(target), last_read_}};
    case kWriteByte:
    case kWriteByteWs:
      target.debug_write(word(1), bytes[3]);
      return command == kWriteByte ? BdcReply{} : BdcReply{BdcStatus::Done, {status(target)}};
    case kReadBkpt: return {BdcStatus::Done, pair(breakpoint_)};
    case kWriteBkpt:
      breakpoint_ = word(1);
      return {};
    case kGo:
      target.go();
      return {};
    case kReadA: return {BdcStatus::Done, {regs.a}};
    case kReadCcr: return {BdcStatus::Done, {regs.ccr}};
    case kReadPc: return {BdcStatus::Done, pair(regs.pc)};
    case kReadHx: return {BdcStatus::Done, pair(regs.hx)};
    case kReadSp: return {BdcStatus::Done, pair(regs.sp)};
    case kReadNext:
    case kReadNextWs:
      ++regs.hx;
      return read_memory(target, regs.hx, command == kReadNextWs);
    case kWriteA: regs.a = bytes[1]; return {};
    case kWriteCcr: regs.ccr = static_cast<std::uint8_t>(bytes[1] | ccr::ONES); return {};
    case kWritePc: regs.pc = word(1); return {};
    case kWriteHx: regs.hx = word(1); return {};
    case kWriteSp: regs.sp = word(1); return {};
    default:  // WRITE_NEXT, WRITE_NEXT_WS
      ++regs.hx;
      target.debug_write(regs.hx, bytes[1]);
      return command == kWriteNext ? BdcReply{} : BdcReply{BdcStatus::Done, {status(target)}};
  }
}

}  // namespace vx::sim
