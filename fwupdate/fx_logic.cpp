#include "fwupdate/fx_logic.h"

#include <algorithm>
#include <vector>

#include "foundation/microsecond_timer.h"
#include "fwupdate/update_progress.h"
#include "interface/byte_protocol.h"
#include "interface/link_state.h"

namespace vx::fwupdate {
namespace {

using Ops = std::vector<std::uint8_t>;

constexpr std::uint8_t interface_command = 7, logic_sub_command = 31, end_op = 0x01;
constexpr std::size_t main_rows = 288, main_row_words = 24, secondary_rows = 64, secondary_row_words = 8;
constexpr std::uint32_t secondary_offset = 0x3600;
constexpr std::uint16_t erase_wait_ms = 500;
constexpr std::uint8_t main_array = 0x00, secondary_array = 0x01, third_array = 0x21;
constexpr std::uint8_t erase_instruction = 0xF2, program_instruction = 0xF4, read_instruction = 0x05;

const char* const verification_failed = "Failed on verification of Logic Arrays";
// A lost link fails the step whatever the words read back.
const char* const link_lost = "Error. Check Port, Power, and Connections.";

// The operations, each answered with one word but E.
void E(Ops& ops) { ops.push_back(end_op); }
void R(Ops& ops) { ops.insert(ops.end(), {0x04, 0x00, 0x00, 0x00}); }
void P(Ops& ops) { ops.insert(ops.end(), {0x05, 0x00, 0x00, 0x00}); }
void I(Ops& ops, std::uint8_t i) { ops.insert(ops.end(), {0x06, 0x0A, 0x02, i, 0x02, 0x00}); }
void J(Ops& ops) { ops.insert(ops.end(), {0x06, 0x0A, 0x03, 0xFF, 0x02, 0x00}); }
void A(Ops& ops, std::uint8_t x) { ops.insert(ops.end(), {0x02, 0x0E, 0x00, x, 0x20, 0x00}); }
void D(Ops& ops, std::uint8_t b1, std::uint8_t b2) { ops.insert(ops.end(), {0x02, 0x10, b1, b2, 0x80, 0x00}); }
void Q(Ops& ops) { ops.insert(ops.end(), {0x09, 0x00, 0x00, 0x00, 0xFF}); }

// S(x, i) without its final E.
void select_ops(Ops& ops, std::uint8_t x, std::uint8_t i) {
  P(ops), I(ops, 0x03), R(ops), E(ops), R(ops), A(ops, x), R(ops), E(ops), P(ops), I(ops, i), R(ops);
}

// Sends a packet whose last operation is E, and gives back its replies;
// nothing when the link failed.
std::optional<std::vector<std::uint16_t>> packet(const Ops& ops, std::uint16_t reply_count) {
  SEND8(interface_command);
  SEND8(static_cast<std::uint8_t>(byte_protocol().command_offset + logic_sub_command));
  SEND8(static_cast<std::uint8_t>(reply_count >> 8));
  SEND8(static_cast<std::uint8_t>(reply_count));
  for (std::size_t i = 0; i + 1 < ops.size(); ++i) SEND8(ops[i]);
  SEND_CMD_LONG(ops.back());
  std::vector<std::uint16_t> replies;
  for (std::uint16_t i = 0; i < reply_count && link_state().link_status != 0; ++i) {
    RECV16();
    replies.push_back(static_cast<std::uint16_t>(link_state().reply_word));
  }
  if (link_state().link_status == 0) return std::nullopt;
  return replies;
}

bool select(std::uint8_t x, std::uint8_t i) {
  Ops ops;
  select_ops(ops, x, i);
  E(ops);
  return packet(ops, 9).has_value();
}

// One row: R, D(word), R, E for each word; three replies per word.
std::optional<std::vector<std::uint16_t>> row(std::span<const std::uint8_t> words) {
  Ops ops;
  for (std::size_t at = 0; at < words.size(); at += 2) R(ops), D(ops, words[at], words[at + 1]), R(ops), E(ops);
  return packet(ops, static_cast<std::uint16_t>(words.size() / 2 * 3));
}

bool program_array(const FxLogicImage& image, std::uint32_t offset, std::size_t rows, std::size_t row_words) {
  for (std::size_t r = 0; r < rows; ++r) {
    if (!row(std::span(image).subspan(offset + r * row_words * 2, row_words * 2))) return false;
  }
  return true;
}

enum class Verified : std::uint8_t { same, differs, link_failed };

// Reads the rows back (the words sent as FF FF, or in the secondary array the
// eighth as the word compared last) and compares the second reply of each word.
Verified verify_array(const FxLogicImage& image, std::uint32_t offset, std::size_t rows, std::size_t row_words,
                      bool secondary, std::uint16_t& last_read) {
  for (std::size_t r = 0; r < rows; ++r) {
    std::vector<std::uint8_t> sent(row_words * 2, 0xFF);
    if (secondary) {
      sent[sent.size() - 2] = static_cast<std::uint8_t>(last_read >> 8);
      sent[sent.size() - 1] = static_cast<std::uint8_t>(last_read);
    }
    const std::optional<std::vector<std::uint16_t>> replies = row(sent);
    if (!replies) return Verified::link_failed;
    for (std::size_t w = 0; w < row_words; ++w) {
      const std::uint32_t at = offset + static_cast<std::uint32_t>((r * row_words + w) * 2);
      last_read = (*replies)[w * 3 + 1];
      if ((last_read >> 8) != image[at] || (last_read & 0xFF) != image[at + 1]) return Verified::differs;
    }
  }
  return Verified::same;
}

bool finish_packets() {
  Ops finish;
  P(finish), I(finish, 0x03), R(finish), E(finish), R(finish), A(finish, main_array), R(finish), E(finish);
  P(finish), I(finish, program_instruction), R(finish), E(finish);
  constexpr std::uint8_t closing_words[][2] = {{0x6B, 0xFF}, {0xFF, 0xFF}, {0xBF, 0xFC}, {0xF9, 0xE7}};
  for (const auto& word : closing_words) R(finish), D(finish, word[0], word[1]), R(finish), E(finish);
  if (!packet(finish, 21)) return false;
  Ops end;
  P(end), I(end, 0x01), R(end), E(end), P(end), J(end), R(end), E(end);
  return packet(end, 6).has_value();
}

bool fail(const ShortText& line) {
  update_status(line);
  return false;
}

}  // namespace

std::optional<FxLogicImage> fx_logic_image(std::span<const FirmwareRecord> records) {
  FxLogicImage image{};
  bool any = false;
  for (const FirmwareRecord& record : records) {
    const std::uint64_t first = record.address, end = first + record.bytes.size();
    if (record.bytes.empty() || first < fx_logic_start || end > std::uint64_t{fx_logic_start} + fx_logic_size) continue;
    std::copy(record.bytes.begin(), record.bytes.end(), image.begin() + (first - fx_logic_start));
    any = true;
  }
  if (!any) return std::nullopt;
  return image;
}

void pld_delay_ms(std::uint16_t ms) { delay_microseconds(std::int64_t{ms} * 1000); }

bool update_fx_logic(std::uint8_t universal_kind, const FxLogicImage& image) {
  if (universal_kind != universal_fx) return false;
  update_status("Updating Quorvex FX Logic, please wait ...");
  Ops identify;
  Q(identify), P(identify), I(identify, 0xCC), R(identify), E(identify);
  if (!packet(identify, 4)) return fail(link_lost);
  update_status("Erasing Logic ...");
  for (const std::uint8_t x : {third_array, secondary_array, main_array}) {
    if (!select(x, erase_instruction)) return fail(link_lost);
    pld_delay_ms(erase_wait_ms);
  }
  update_status("Programming Logic Main Array ...");
  if (!select(main_array, program_instruction) || !program_array(image, 0, main_rows, main_row_words)) {
    return fail(link_lost);
  }
  update_status("Programming Logic Secondary Array ...");
  if (!select(secondary_array, program_instruction) ||
      !program_array(image, secondary_offset, secondary_rows, secondary_row_words)) {
    return fail(link_lost);
  }
  std::uint16_t last_read = 0;
  for (const bool secondary : {false, true}) {
    update_status("Verifying Logic Arrays ...");
    if (!select(secondary ? secondary_array : main_array, read_instruction)) return fail(link_lost);
    const Verified verified =
        secondary ? verify_array(image, secondary_offset, secondary_rows, secondary_row_words, true, last_read)
                  : verify_array(image, 0, main_rows, main_row_words, false, last_read);
    if (verified == Verified::link_failed) return fail(link_lost);
    if (verified == Verified::differs) return fail(verification_failed);
  }
  if (!finish_packets()) return fail(link_lost);
  update_status("Success.");
  return true;
}

}  // namespace vx::fwupdate
