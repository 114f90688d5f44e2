#include "sim/pod/fx_logic_device.h"

#include "sim/pod/reply_words.h"

namespace vx::sim {
namespace {

constexpr std::uint8_t op_end = 0x01, op_read = 0x04, op_pulse = 0x05, op_instruction = 0x06, op_data = 0x02,
                       op_query = 0x09;
constexpr std::uint8_t data_address = 0x0E, data_word = 0x10;
constexpr std::uint8_t select_instruction = 0x03, end_instruction = 0x01;
constexpr std::uint8_t erase = 0xF2, program = 0xF4, read_back = 0x05;

struct Op {
  std::uint8_t code;
  std::span<const std::uint8_t> bytes;
};

std::size_t op_length(std::uint8_t code) {
  switch (code) {
    case op_end: return 1;
    case op_read:
    case op_pulse: return 4;
    case op_query: return 5;
    case op_instruction:
    case op_data: return 6;
    default: return 0;
  }
}

bool is_instruction(const Op& op, std::uint8_t i) {
  return op.code == op_instruction && op.bytes[2] == 0x02 && op.bytes[3] == i;
}
bool is_data(const Op& op) { return op.code == op_data && op.bytes[1] == data_word; }
bool is_address(const Op& op) { return op.code == op_data && op.bytes[1] == data_address; }

}  // namespace

FxLogicDevice::FxLogicDevice(std::optional<std::size_t> stuck_word)
    : stuck_word_(stuck_word), main_(main_words, 0xFFFF), secondary_(secondary_words, 0xFFFF) {}

std::vector<std::uint16_t>* FxLogicDevice::array(std::uint8_t x) {
  if (x == 0) return &main_;
  if (x == 1) return &secondary_;
  return nullptr;
}

bool FxLogicDevice::run(std::span<const std::uint8_t> script, std::vector<std::uint8_t>& reply) {
  if (script.size() < 3) {
    problem_ = "logic script without operations";
    return false;
  }
  const std::size_t count = std::size_t{script[0]} << 8 | script[1];
  std::vector<Op> ops;
  std::size_t answered = 0;
  for (std::size_t at = 2; at < script.size();) {
    const std::size_t length = op_length(script[at]);
    if (length == 0 || at + length > script.size()) {
      problem_ = "undecodable logic operation";
      return false;
    }
    ops.push_back({script[at], script.subspan(at, length)});
    if (script[at] != op_end) ++answered;
    at += length;
  }
  if (answered != count || ops.back().code != op_end) {
    problem_ = "logic script whose reply count does not match its operations";
    return false;
  }
  Packet packet{PacketKind::row, 0, 0, {}};
  if (ops.front().code == op_query) {
    packet.kind = PacketKind::identify;
  } else if (ops.size() > 1 && ops.front().code == op_pulse && is_instruction(ops[1], end_instruction)) {
    packet.kind = PacketKind::end;
  } else if (ops.size() > 9 && ops.front().code == op_pulse && is_instruction(ops[1], select_instruction)) {
    packet.kind = PacketKind::select;
    for (const Op& op : ops) {
      if (is_address(op)) packet.array = op.bytes[3];
    }
    packet.instruction = ops[9].bytes[3];
  }
  for (const Op& op : ops) {
    if (is_data(op)) packet.words.push_back(static_cast<std::uint16_t>(op.bytes[2] << 8 | op.bytes[3]));
  }
  // A select packet that carries words is the closing one: it programs nothing of the arrays.
  if (packet.kind == PacketKind::select && !packet.words.empty()) packet.kind = PacketKind::finish;
  if (packet.kind == PacketKind::select) {
    array_ = packet.array;
    instruction_ = packet.instruction;
    pointer_ = 0;
    std::vector<std::uint16_t>* chosen = array(array_);
    if (instruction_ == erase && chosen != nullptr) chosen->assign(chosen->size(), 0xFFFF);
  }
  std::vector<std::uint16_t>* chosen = array(array_);
  std::size_t word = 0;
  for (const Op& op : ops) {
    if (op.code == op_end) continue;
    std::uint16_t answer = 0;
    if (packet.kind == PacketKind::row && is_data(op) && chosen != nullptr && pointer_ < chosen->size()) {
      if (instruction_ == program && !(chosen == &main_ && stuck_word_ == pointer_)) {
        (*chosen)[pointer_] = packet.words[word];
      }
      if (instruction_ == read_back) answer = (*chosen)[pointer_];
      ++pointer_;
    }
    if (is_data(op)) ++word;
    push_word(reply, answer);
  }
  packets_.push_back(std::move(packet));
  return true;
}

}  // namespace vx::sim
