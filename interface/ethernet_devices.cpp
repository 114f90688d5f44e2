#include "interface/ethernet_devices.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "foundation/command_exception.h"
#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "interface/ethernet_transport.h"
#include "interface/programmer_link.h"
#include "platform/net.h"

namespace vx {
namespace {

constexpr std::size_t discovery_buffer_size = 255, sender_length = 30, text_offset = 6;
constexpr std::uint8_t device_info_command = 0x20;

EthernetDeviceList list;

ShortText cut(const ShortText& text, std::size_t max) { return text.substr(0, max); }

std::size_t comma(const ShortText& text) { return text.view().find(','); }

ShortText take(const ShortText& text) {
  const std::size_t at = comma(text);
  return at == std::string_view::npos ? ShortText() : text.substr(0, at);
}

void drop(ShortText& text) {
  const std::size_t at = comma(text);
  if (at != std::string_view::npos) text = text.substr(at + 1);
}

bool has_comma(const ShortText& text) { return comma(text) != std::string_view::npos; }

bool number(const ShortText& field, std::int32_t& value) {
  const ShortText trimmed = trim(field);
  const std::string_view digits = trimmed.view();
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() && end == digits.data() + digits.size() && !digits.empty();
}

std::int32_t number_or_zero(const ShortText& field) {
  std::int32_t value = 0;
  return number(field, value) ? value : 0;
}

ShortText duration_field(const ShortText& field) {
  std::int32_t value = 0;
  return number(field, value) ? format_duration(static_cast<std::uint32_t>(value)) : ShortText("--h--m");
}

void short_form(ShortText& t, EthernetDeviceRecord& r, bool query) {
  if (!has_comma(t)) {
    r.reply_field_8 = cut(t, 60);
    r.revision = "Rev. B";
  } else {
    r.reply_field_8 = cut(take(t), 60);
    drop(t);
    r.revision = cut(has_comma(t) ? take(t) : t, 30);
  }
  if (!query) return;
  r.extra_text = cut(sap_query_extra_text(60), 60);
  r.mac_address = cut(sap_query_mac(), 60);
  sap_query_first_duration(r.first_duration, 10);
  sap_query_second_duration(r.second_duration, 10);
}

void long_form(ShortText& t, EthernetDeviceRecord& r) {
  if (!has_comma(t)) {
    r.reply_field_8 = cut(t, 60);
    r.extra_text = ShortText();
    r.mac_address = ShortText();
    r.first_duration = "--h--m";
    r.second_duration = "--h--m";
    return;
  }
  r.reply_field_8 = cut(take(t), 60);
  const auto next = [&t] {
    drop(t);
    return take(t);
  };
  r.revision = cut(next(), 30);
  r.mac_address = cut(next(), 60);
  r.first_duration = cut(duration_field(next()), 10);
  r.second_duration = cut(duration_field(next()), 10);
  r.reply_field_13 = cut(next(), 30);
  r.extra_text = cut(next(), 60);
  drop(t);
  r.reply_field_15 = cut(t, 5);
}

void not_active() {
  if (!ethernet_transport().quiet_discovery) {
    WRITELN_TO_DEBUG("Ethernet functionality not active - " + ethernet_transport().socket_error + ".");
  }
  ethernet_transport().disabled = true;
}

void not_enabled(const std::exception& error) {
  ethernet_transport().disabled = true;
  if (!ethernet_transport().quiet_discovery) {
    WRITELN_TO_DEBUG("Ethernet functionality not enabled - " + ShortText(error.what()));
  }
}

struct StoredReply {
  std::string address;
  ShortText text;
};

}  // namespace

EthernetDeviceList& ethernet_devices() { return list; }

void clear_ethernet_device_record(EthernetDeviceRecord& record) { record = EthernetDeviceRecord{}; }

void clear_ethernet_device_list() {
  for (EthernetDeviceRecord& record : list.records) clear_ethernet_device_record(record);
  list.count = 0;
}

std::int32_t get_ethernet_device_count() { return list.count; }

void set_ethernet_device_count(std::int32_t count) {
  list.count = std::clamp<std::int32_t>(count, 0, static_cast<std::int32_t>(EthernetDeviceList::max_replies));
}

void parse_discovery_reply(const ShortText& text, EthernetDeviceRecord& r, bool query) {
  if (text.view().substr(0, 3) != "VLX") return;
  ShortText t = text;
  r.reply_field_13 = ShortText();
  r.extra_text = ShortText();
  r.reply_field_15 = ShortText();
  r.mac_address = ShortText();
  r.first_duration = "--h--m";
  r.second_duration = "--h--m";
  drop(t);
  r.type_code = number_or_zero(take(t));
  drop(t);
  r.device_name = cut(take(t), 120);
  drop(t);
  r.reply_field_4 = cut(take(t), 120);
  drop(t);
  r.reply_number_5 = static_cast<std::uint8_t>(number_or_zero(take(t)));
  drop(t);
  r.reply_number_6 = static_cast<std::uint8_t>(number_or_zero(take(t)));
  drop(t);
  r.reply_field_7 = cut(take(t), 60);
  drop(t);
  if (r.type_code == 0) {
    short_form(t, r, query);
  } else {
    long_form(t, r);
  }
}

void sap_get_device_info(EthernetDeviceRecord& record) {
  const SapStream stream{device_info_command};
  ShortText text;
  if (sap_send_receive(stream, sap_query_channel)) text = sap_reply_text();
  parse_discovery_reply(text, record, true);
}

void discover_ethernet_devices() {
  EthernetTransport& transport = ethernet_transport();
  if (transport.disabled) return;
  if (!udp_active()) return not_active();
  try {
    clear_ethernet_device_list();
    set_device_ip(ShortText(platform::net_settings().broadcast_address));
    set_device_udp_port(platform::net_settings().programmer_port);
    const SapStream stream{device_info_command};
    udp_send_discovery(stream, sap_query_channel);
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    not_enabled(error);
  }
}

void udp_collect_discovery_replies(std::uint32_t wait_ms) {
  EthernetTransport& transport = ethernet_transport();
  if (!transport.socket) return;
  std::vector<StoredReply> replies;
  std::array<std::uint8_t, discovery_buffer_size> buffer{};
  while (replies.size() < EthernetDeviceList::max_replies) {
    const platform::ReceivedDatagram got = transport.socket->receive(buffer, wait_ms);
    if (got.address.empty()) break;
    if (got.size < 4) continue;
    const std::uint8_t opcode = buffer[1];
    if (opcode != 3 && opcode != 4) continue;
    const std::string_view text(reinterpret_cast<const char*>(buffer.data()) + std::min(got.size, text_offset),
                                got.size - std::min(got.size, text_offset));
    if (opcode == 3 && got.size > 11 && text.substr(0, 6) == "Server") continue;
    replies.push_back({got.address.substr(0, sender_length), opcode == 3 ? ShortText(text) : ShortText()});
  }
  list.count = 0;
  const auto held = [](const std::string& address) {
    return std::any_of(list.records.begin(), list.records.begin() + list.count,
                       [&](const EthernetDeviceRecord& r) { return r.ip_address == address; });
  };
  for (const StoredReply& reply : replies) {
    if (held(reply.address) || trim(ShortText(reply.address)).empty()) continue;
    list.records[static_cast<std::size_t>(list.count++)].ip_address = reply.address;
  }
  for (const StoredReply& reply : replies) {
    for (std::int32_t k = 0; k < list.count; ++k) {
      EthernetDeviceRecord& record = list.records[static_cast<std::size_t>(k)];
      if (record.ip_address == reply.address) parse_discovery_reply(reply.text, record, true);
    }
  }
  next_block_number();
}

std::int32_t collect_ethernet_devices() {
  if (ethernet_transport().disabled) return 0;
  if (!udp_active()) {
    not_active();
    return 0;
  }
  try {
    udp_collect_discovery_replies(200);
    sort_ethernet_device_list();
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    not_enabled(error);
  }
  return get_ethernet_device_count();
}

void sort_ethernet_device_list() {
  std::stable_sort(list.records.begin(), list.records.begin() + list.count,
                   [](const EthernetDeviceRecord& a, const EthernetDeviceRecord& b) {
                     return trim(a.ip_address).view() < trim(b.ip_address).view();
                   });
}

}  // namespace vx
