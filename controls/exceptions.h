#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vx::controls {

// Programming errors in the use of the controls; invalid input is never one.
class EOvcException : public std::runtime_error {
 public:
  explicit EOvcException(const std::string& message) : std::runtime_error(message) {}
};

class ENoTimersAvailable : public EOvcException {
 public:
  ENoTimersAvailable();
};

class ECmdProcessorError : public EOvcException {
 public:
  using EOvcException::EOvcException;
};

class EDuplicateCommand : public ECmdProcessorError {
 public:
  EDuplicateCommand();
};

class ETableNotFound : public ECmdProcessorError {
 public:
  ETableNotFound();
};

class EEntryFieldError : public EOvcException {
 public:
  using EOvcException::EOvcException;
};

class EInvalidDataType : public EEntryFieldError {
 public:
  EInvalidDataType();
};

class EInvalidPictureMask : public EEntryFieldError {
 public:
  explicit EInvalidPictureMask(std::string_view mask);
};

class EInvalidRangeValue : public EEntryFieldError {
 public:
  // The field's data-type code picks the message. Date and time messages name
  // the mask to type by, which the caller passes from the regional settings
  // (the short-date mask with a four-digit year, the time mask without seconds).
  explicit EInvalidRangeValue(int data_type, std::string_view date_or_time_mask = {});
};

class EVirtualListBoxError : public EOvcException {
 public:
  using EOvcException::EOvcException;
};

class EOnSelectNotAssigned : public EVirtualListBoxError {
 public:
  EOnSelectNotAssigned();
};

class EOnIsSelectedNotAssigned : public EVirtualListBoxError {
 public:
  EOnIsSelectedNotAssigned();
};

}  // namespace vx::controls
