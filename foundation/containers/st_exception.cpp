#include "foundation/containers/st_exception.h"

#include "foundation/message_table.h"

namespace vx {

EStException::EStException(const std::string& message, std::int32_t error_code)
    : std::runtime_error(message), error_code_(error_code) {}

EStContainerError::EStContainerError(std::int32_t message_number)
    : EStException(message_text(message_number), message_number) {}

}  // namespace vx
