#include "interface/firmware_request.h"

#include "interface/firmware_update_link.h"

namespace vx::fwupdate {
namespace {

FirmwareRequest request;

}  // namespace

FirmwareRequest& firmware_request() { return request; }

void reset_firmware_request() { request = FirmwareRequest{}; }

void offer_firmware_request(const FirmwareRequest& offered) {
  if (!firmware_update_link().busy) request = offered;
}

}  // namespace vx::fwupdate
