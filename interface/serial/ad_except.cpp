#include "interface/serial/ad_except.h"

#include <iterator>
#include <new>

#include "interface/serial/ad_str_map.h"
#include "interface/serial/oo_misc.h"

namespace vx::serial {
namespace {

using Raiser = void (*)(std::int32_t code);

template <typename E>
[[noreturn]] void raise(std::int32_t code) {
  throw E(code);
}

// Codes from `first` down to `last` raise one class.
struct CodeRange {
  std::int32_t first;
  std::int32_t last;
  Raiser raiser;
};

constexpr CodeRange code_ranges[] = {
    {-1002, -1002, raise<EBadArgument>},
    {-1003, -1003, raise<EGotQuitMsg>},
    {-1004, -1004, raise<EBufferTooBig>},
    {-1005, -1005, raise<EPortNotAssigned>},
    {-1006, -1006, raise<EInternal>},
    {-1007, -1007, raise<EModemNotAssigned>},
    {-1008, -1008, raise<EPhonebookNotAssigned>},
    {-1009, -1009, raise<ECannotUseWithWinSock>},
    {-7003, -7003, raise<EGeneral>},
    {-7006, -7006, raise<EGeneral>},
    {-7012, -7012, raise<EGeneral>},
    {-2001, -2001, raise<EBadId>},
    {-2002, -2002, raise<EBaudRate>},
    {-2003, -2003, raise<EByteSize>},
    {-2004, -2004, raise<EDefault>},
    {-2005, -2005, raise<EHardware>},
    {-2006, -2006, raise<EMemory>},
    {-2007, -2007, raise<ECommNotOpen>},
    {-2008, -2008, raise<EAlreadyOpen>},
    {-2009, -2009, raise<ENoHandles>},
    {-2010, -2010, raise<ENoTimers>},
    {-2011, -2011, raise<ENoPortSelected>},
    {-2012, -2012, raise<ENotOpenedByTapi>},
    {-3001, -3001, raise<ENullApi>},
    {-3003, -3003, raise<ERegisterHandlerFailed>},
    {-3004, -3004, raise<EPutBlockFail>},
    {-3005, -3005, raise<EGetBlockFail>},
    {-3006, -3006, raise<EOutputBufferTooSmall>},
    {-3007, -3007, raise<EBufferIsEmpty>},
    {-3008, -3008, raise<ETracingNotEnabled>},
    {-3009, -3009, raise<ELoggingNotEnabled>},
    {-3010, -3010, raise<EBaseAddressNotSet>},
    {-5001, -5001, raise<ENoMoreTriggers>},
    {-5002, -5002, raise<ETriggerTooLong>},
    {-5003, -5003, raise<EBadTriggerHandle>},
    // Families whose leaves this program never raises answer for their whole ranges.
    {-4001, -4008, raise<EModem>},
    {-6006, -6006, raise<EProtocol>},
    {-6008, -6009, raise<EProtocol>},
    {-7001, -7002, raise<EINI>},
    {-7004, -7005, raise<EINI>},
    {-7007, -7008, raise<EINI>},
    {-7010, -7011, raise<EINI>},
    {-7013, -7014, raise<EINI>},
    {-8001, -8005, raise<EFax>},
    {-8053, -8053, raise<EFax>},
    {-8060, -8070, raise<EFax>},
    {-13801, -13942, raise<ETapi>},
    {-13980, -13980, raise<ERasLoadFail>},
};

}  // namespace

EAPDException::EAPDException(std::int32_t code)
    : std::runtime_error(MessageTextForCode(code).str()), error_code_(code) {}

EAPDException::EAPDException(const std::string& text) : std::runtime_error(text), error_code_(0) {}

EAPDException::EAPDException(std::int32_t code, const std::string& text)
    : std::runtime_error(text), error_code_(code) {}

std::int32_t RaiseForCode(const TApdBaseComponent* component, std::int32_t code) {
  if (code >= 0 || (component != nullptr && component->Loading())) return code;
  for (const CodeRange& range : code_ranges) {
    if (code <= range.first && code >= range.last) range.raiser(code);
  }
  if (code == -8) throw std::bad_alloc();
  if (code <= -2 && code >= -162) throw EInOutError(MessageTextForCode(code).str(), -code);
  throw EAPDException(std::string("Tarvo exception"));
}

}  // namespace vx::serial
