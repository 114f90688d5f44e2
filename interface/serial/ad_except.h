#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// The serial-port stack's exceptions, and the rule that turns a negative
// result code into the right one.
namespace vx::serial {

class TApdBaseComponent;

class EAPDException : public std::runtime_error {
 public:
  // Message: the text of the code.
  explicit EAPDException(std::int32_t code);
  // ErrorCode 0.
  explicit EAPDException(const std::string& text);
  EAPDException(std::int32_t code, const std::string& text);
  std::int32_t ErrorCode() const { return error_code_; }

 private:
  std::int32_t error_code_;
};

// The runtime's error of a failed file or device operation (codes 2 to 162).
class EInOutError : public std::runtime_error {
 public:
  EInOutError(const std::string& message, std::int32_t error_code)
      : std::runtime_error(message), error_code_(error_code) {}
  std::int32_t ErrorCode() const { return error_code_; }

 private:
  std::int32_t error_code_;
};

#define VX_APD_EXCEPTION(name, base)        \
  class name : public base {                \
   public:                                  \
    using base::base;                       \
  }

VX_APD_EXCEPTION(EGeneral, EAPDException);
VX_APD_EXCEPTION(EOpenComm, EAPDException);
VX_APD_EXCEPTION(ESerialIO, EAPDException);
VX_APD_EXCEPTION(ETrigger, EAPDException);
VX_APD_EXCEPTION(EModem, EAPDException);
VX_APD_EXCEPTION(EProtocol, EAPDException);
VX_APD_EXCEPTION(EINI, EAPDException);
VX_APD_EXCEPTION(EFax, EAPDException);
VX_APD_EXCEPTION(ETapi, EAPDException);
VX_APD_EXCEPTION(ERas, EAPDException);

VX_APD_EXCEPTION(EBadArgument, EGeneral);
VX_APD_EXCEPTION(EGotQuitMsg, EGeneral);
VX_APD_EXCEPTION(EBufferTooBig, EGeneral);
VX_APD_EXCEPTION(EPortNotAssigned, EGeneral);
VX_APD_EXCEPTION(EInternal, EGeneral);
VX_APD_EXCEPTION(EModemNotAssigned, EGeneral);
VX_APD_EXCEPTION(EPhonebookNotAssigned, EGeneral);
VX_APD_EXCEPTION(ECannotUseWithWinSock, EGeneral);

VX_APD_EXCEPTION(EBadId, EOpenComm);
VX_APD_EXCEPTION(EBaudRate, EOpenComm);
VX_APD_EXCEPTION(EByteSize, EOpenComm);
VX_APD_EXCEPTION(EDefault, EOpenComm);
VX_APD_EXCEPTION(EHardware, EOpenComm);
VX_APD_EXCEPTION(EMemory, EOpenComm);
VX_APD_EXCEPTION(ECommNotOpen, EOpenComm);
VX_APD_EXCEPTION(EAlreadyOpen, EOpenComm);
VX_APD_EXCEPTION(ENoHandles, EOpenComm);
VX_APD_EXCEPTION(ENoTimers, EOpenComm);
VX_APD_EXCEPTION(ENoPortSelected, EOpenComm);
VX_APD_EXCEPTION(ENotOpenedByTapi, EOpenComm);

VX_APD_EXCEPTION(ENullApi, ESerialIO);
VX_APD_EXCEPTION(ERegisterHandlerFailed, ESerialIO);
VX_APD_EXCEPTION(EPutBlockFail, ESerialIO);
VX_APD_EXCEPTION(EGetBlockFail, ESerialIO);
VX_APD_EXCEPTION(EOutputBufferTooSmall, ESerialIO);
VX_APD_EXCEPTION(EBufferIsEmpty, ESerialIO);
VX_APD_EXCEPTION(ETracingNotEnabled, ESerialIO);
VX_APD_EXCEPTION(ELoggingNotEnabled, ESerialIO);
VX_APD_EXCEPTION(EBaseAddressNotSet, ESerialIO);

VX_APD_EXCEPTION(ENoMoreTriggers, ETrigger);
VX_APD_EXCEPTION(ETriggerTooLong, ETrigger);
VX_APD_EXCEPTION(EBadTriggerHandle, ETrigger);

VX_APD_EXCEPTION(ERasLoadFail, ERas);

#undef VX_APD_EXCEPTION

// Returns a code of 0 or more, and any code while the component is being
// loaded; raises for every other: the class of the code, EInOutError for
// system errors, std::bad_alloc for -8, else EAPDException("Tarvo exception").
std::int32_t RaiseForCode(const TApdBaseComponent* component, std::int32_t code);

}  // namespace vx::serial
