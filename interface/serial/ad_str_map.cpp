#include "interface/serial/ad_str_map.h"

#include <algorithm>
#include <cstdlib>

#include "platform/serial/serial_device.h"

namespace vx::serial {
namespace {

// The groups this program's stack can show: system, port and trigger
// errors, and the texts of the dispatch log.
constexpr AdMessageNumberLookupRecord table[] = {
    {0, "OK"},
    {-2, "File not found"},
    {-3, "Path not found"},
    {-4, "Too many open files"},
    {-5, "File access denied"},
    {-6, "Invalid file handle"},
    {-8, "Insufficient memory"},
    {-15, "Invalid drive"},
    {-18, "No more files"},
    {-100, "Attempt to read beyond end of file"},
    {-101, "Disk is full"},
    {-102, "File/device not assigned"},
    {-103, "File/device not open"},
    {-104, "File/device not open for input"},
    {-105, "File/device not open for output"},
    {-150, "Disk is write-protected"},
    {-151, "Unknown disk unit"},
    {-152, "Drive is not ready"},
    {-153, "Unknown command"},
    {-154, "Data error"},
    {-155, "Bad request structure length"},
    {-156, "Seek error"},
    {-157, "Unknown media type"},
    {-158, "Disk sector not found"},
    {-159, "Printer is out of paper"},
    {-160, "Device write error"},
    {-161, "Device read error"},
    {-162, "General failure"},
    {-1001, "Bad handle passed to com function"},
    {-1002, "Bad argument passed to function"},
    {-1003, "Got quit message"},
    {-1004, "Terminal buffer greater than 65521"},
    {-1005, "ComPort component not assigned"},
    {-1006, "Internal error creating window class"},
    {-1007, "Modem component not assigned"},
    {-1008, "Phonebook component not assigned"},
    {-1009, "Component not compatible with WinSock"},
    {-2001, "ie_BadId - Specified comport doesn't exist"},
    {-2002, "ie_Baudrate - unsupported baud rate"},
    {-2003, "ie_Bytesize - invalid byte size"},
    {-2004, "ie_Default - error in default parameters"},
    {-2005, "ie_Hardware - Specified comport in use"},
    {-2006, "ie_Memory - unable to allocate queues"},
    {-2007, "ie_NOpen - device not open"},
    {-2008, "ie_Open - device already open"},
    {-2009, "No more handles, can't open port"},
    {-2010, "No timers available"},
    {-2011, "The ComNumber property of the TApdComPort has not been set"},
    {-2012, "Comport was not opened by Tapi"},
    {-3001, "No device layer specified"},
    {-3002, "Function not supported by driver"},
    {-3003, "EnableCommNotification failed"},
    {-3004, "Failed to put entire block"},
    {-3005, "Failed to get entire block"},
    {-3006, "Output buffer too small for block"},
    {-3007, "Buffer is empty"},
    {-3008, "Tracing not enabled"},
    {-3009, "Logging not enabled"},
    {-3010, "Base address not set"},
    {-5001, "No more trigger slots"},
    {-5002, "Data trigger too long"},
    {-5003, "Bad trigger handle"},
    {15001, "No event"},
    {15002, "Dispatch"},
    {15003, "Trigger"},
    {15004, "Error"},
    {15005, "Thread"},
    {15006, "TrigAllc"},
    {15007, "TrigDisp"},
    {15008, "TrgHdAlc"},
    {15009, "TrgHdDsp"},
    {15010, "TrDatChg"},
    {15011, "Telnet"},
    {15012, "Fax"},
    {15013, "XModem"},
    {15014, "YModem"},
    {15015, "ZModem"},
    {15016, "Kermit"},
    {15017, "Ascii"},
    {15018, "BPlus"},
    {15019, "Packet"},
    {15020, "User"},
    {15021, "Script"},
    {15101, "ReadCom"},
    {15102, "WriteCom"},
    {15103, "Line status"},
    {15104, "Modem status"},
    {15105, "Avail"},
    {15106, "Timer"},
    {15107, "Data"},
    {15108, "Status"},
    {15109, "Start"},
    {15110, "Exit"},
    {15111, "Sleep"},
    {15112, "Wake"},
    {15113, "Data"},
    {15114, "Timer"},
    {15115, "Status"},
    {15116, "Avail"},
    {15117, "Window"},
    {15118, "Procedure"},
    {15119, "Method"},
    {15501, "Time      Type      SubType       Data      OtherData"},
    {15502, "--------  --------  ------------  --------  ---------"},
    {15601, "DCTS "},
    {15602, "DDSR "},
    {15603, "TERI "},
    {15604, "DDCD "},
    {15605, "CTS "},
    {15606, "DSR "},
    {15607, "RI "},
    {15608, "DCD "},
    {15700, "Binary"},
    {15701, "Echo"},
    {15702, "Reconnection"},
    {15703, "Suppress Go Ahead"},
    {15704, "Message Size Negotiation"},
    {15705, "Status"},
    {15706, "Timing Mark"},
    {15707, "Remote Controlled Trans and Echo"},
    {15708, "Output Line Width"},
    {15709, "Output Page Size"},
    {15710, "Output CR Disposition"},
    {15711, "Output Horizontal Tab Stops"},
    {15712, "Output Horizontal Tab Disposition"},
    {15713, "Output Formfeed Disposition"},
    {15714, "Output Vertical Tab Stops"},
    {15715, "Output Vertical Tab Disposition"},
    {15716, "Output Linefeed Disposition"},
    {15717, "Extended ASCII"},
    {15718, "Logout"},
    {15719, "Byte Macro"},
    {15720, "Data Entry Terminal"},
    {15721, "SUPDUP"},
    {15722, "SUPDUP Output"},
    {15723, "Send Location"},
    {15724, "Terminal Type"},
    {15725, "End of Record"},
    {15726, "TACACS User Identification"},
    {15727, "Output Marking"},
    {15728, "Terminal Location Number"},
    {15729, "Telnet 3270 Regime"},
    {15730, "X.3 PAD"},
    {15731, "Negotiate About Window Size"},
    {15732, "Terminal Speed"},
    {15733, "Remote Flow Control"},
    {15734, "Linemode"},
    {15735, "X Display Location"},
    {15736, "Environment Option"},
    {15737, "Authentication Option"},
    {15738, "Encryption Option"},
    {15739, "New Environment Option"},
    {15740, "TN3270E"},
    {15741, "XAUTH"},
    {15742, "Character Set"},
};

std::int32_t magnitude(std::int32_t number) { return number < 0 ? -number : number; }

}  // namespace

std::span<const AdMessageNumberLookupRecord> MessageNumberTable() { return table; }

ShortText LookupMessageNumber(std::int32_t code) {
  const std::int64_t key = code < 0 ? -static_cast<std::int64_t>(code) : code;
  const auto found = std::lower_bound(std::begin(table), std::end(table), key,
                                      [](const AdMessageNumberLookupRecord& record, std::int64_t wanted) {
                                        return magnitude(record.number) < wanted;
                                      });
  if (found == std::end(table) || magnitude(found->number) != key) return {};
  return ShortText(found->text);
}

ShortText MessageTextForCode(std::int32_t code) {
  const std::int32_t number = std::abs(static_cast<std::int32_t>(static_cast<std::int16_t>(code)));
  if (ShortText text = LookupMessageNumber(number); !text.empty()) return text;
  const std::string system_text = platform::system_error_text(static_cast<std::uint32_t>(number));
  return system_text.empty() ? ShortText() : TidySystemMessage(ShortText(system_text));
}

ShortText TidySystemMessage(const ShortText& text) {
  ShortText result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = static_cast<unsigned char>(text[i]) < 32 ? ' ' : text[i];
    if (c == ' ' && !result.empty() && result.back() == ' ') continue;
    result += c;
  }
  return result;
}

}  // namespace vx::serial
