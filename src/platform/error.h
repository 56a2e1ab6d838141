#pragma once
// Failures are exceptions that carry a message and a class name, so that callers
// can build "class: message" texts for the log and the status line.

#include <exception>
#include <stdexcept>
#include <string>

namespace kestrow::platform {

class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    virtual const char* ClassName() const noexcept { return "Exception"; }
};

#define KESTROW_DECLARE_ERROR(Name, Base)                                 \
    class Name : public Base {                                            \
      public:                                                             \
        using Base::Base;                                                 \
        const char* ClassName() const noexcept override { return #Name; } \
    }

// Stream and file errors, named as the log lines show them.
KESTROW_DECLARE_ERROR(EStreamError, Error);
KESTROW_DECLARE_ERROR(EFOpenError, EStreamError);
KESTROW_DECLARE_ERROR(EFCreateError, EStreamError);
KESTROW_DECLARE_ERROR(EReadError, EStreamError);
KESTROW_DECLARE_ERROR(EWriteError, EStreamError);
KESTROW_DECLARE_ERROR(EOutOfMemory, Error);

// The class name of any exception: ours by name, std::bad_alloc as EOutOfMemory,
// everything else by its demangled type name.
std::string ExceptionClassName(const std::exception& e);

// "class: message" of a caught exception; "Exception: unknown exception" for
// one that is not a std::exception.
std::string ExceptionText(const std::exception_ptr& error);

// The system's text for an errno value.
std::string SystemErrorMessage(int error_code);

}  // namespace kestrow::platform
