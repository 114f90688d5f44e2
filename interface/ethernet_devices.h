#pragma once

#include <array>
#include <cstdint>

#include "foundation/short_text.h"

// The programmers found on the network by the discovery broadcast, and the
// parsing of their device-information text. Main thread only.
namespace vx {

struct EthernetDeviceRecord {
  std::int32_t type_code = 255;
  ShortText ip_address;       // 60
  ShortText device_name;      // 120
  ShortText reply_field_4;    // 120
  std::uint8_t reply_number_5 = 0;
  std::uint8_t reply_number_6 = 0;
  ShortText reply_field_7;    // 60
  ShortText reply_field_8;    // 60
  ShortText extra_text;       // 60
  ShortText mac_address;      // 60
  ShortText first_duration;   // 10
  ShortText second_duration;  // 10
  ShortText revision;         // 30
  ShortText reply_field_15;   // 5
  ShortText reply_field_13;   // 30
};

struct EthernetDeviceList {
  static constexpr std::size_t capacity = 101;
  // Replies kept from one discovery.
  static constexpr std::size_t max_replies = 100;
  std::array<EthernetDeviceRecord, capacity> records;
  std::int32_t count = 0;
};

EthernetDeviceList& ethernet_devices();
void clear_ethernet_device_record(EthernetDeviceRecord& record);
void clear_ethernet_device_list();
std::int32_t get_ethernet_device_count();
void set_ethernet_device_count(std::int32_t count);

// With `query` set, the short form asks the programmer open on the link for
// what its text leaves out.
void parse_discovery_reply(const ShortText& text, EthernetDeviceRecord& record, bool query);
// Command 0x20 on the query channel, parsed into `record` with the queries.
void sap_get_device_info(EthernetDeviceRecord& record);

void discover_ethernet_devices();
void udp_collect_discovery_replies(std::uint32_t wait_ms);
std::int32_t collect_ethernet_devices();
void sort_ethernet_device_list();

}  // namespace vx
