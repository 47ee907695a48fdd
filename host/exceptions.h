// The framework's exception classes. Every error the framework and the library
// raise derives from Exception, whose Message is the text a user sees.
#pragma once

#include <exception>
#include <string>

namespace host {

class Exception : public std::exception {
 public:
  Exception() = default;
  explicit Exception(std::string message) : Message(std::move(message)) {}
  ~Exception() override;

  const char* what() const noexcept override { return Message.c_str(); }

  std::string Message;
};

#define HOST_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {               \
   public:                                 \
    using Base::Base;                      \
    ~Name() override;                      \
  }

HOST_DECLARE_EXCEPTION(EConvertError, Exception);     // text or number that cannot convert
HOST_DECLARE_EXCEPTION(EVariantError, Exception);     // variant operation on the wrong kind
HOST_DECLARE_EXCEPTION(EInvalidCast, Exception);      // variant or object of another type
HOST_DECLARE_EXCEPTION(EListError, Exception);        // list index out of bounds
HOST_DECLARE_EXCEPTION(EStreamError, Exception);      // stream read or write failed
HOST_DECLARE_EXCEPTION(EFOpenError, EStreamError);    // file stream could not open
HOST_DECLARE_EXCEPTION(EFCreateError, EStreamError);  // file stream could not create
HOST_DECLARE_EXCEPTION(EFilerError, EStreamError);    // form-file reading or writing
HOST_DECLARE_EXCEPTION(EReadError, EFilerError);
HOST_DECLARE_EXCEPTION(EWriteError, EFilerError);
HOST_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
HOST_DECLARE_EXCEPTION(EComponentError, Exception);  // component naming or ownership
HOST_DECLARE_EXCEPTION(EInvalidOperation, Exception);
HOST_DECLARE_EXCEPTION(EOSError, Exception);        // operating-system call failed
HOST_DECLARE_EXCEPTION(EDatabaseError, Exception);  // record-set framework errors
HOST_DECLARE_EXCEPTION(EAbort, Exception);          // a silent stop: reported to nobody

// Stops the current operation without a message: raises EAbort, which
// HandleException passes over.
[[noreturn]] void Abort();

// Raises the one error every list of the framework gives for an index outside
// it: EListError "List index out of bounds (Index)".
[[noreturn]] void RaiseListIndexError(int Index);

}  // namespace host
