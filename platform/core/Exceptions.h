#pragma once
// The exception classes of the class library. Every error is an Exception with a
// text; what() gives the text in UTF-8 for test output and crash reports.

#include <exception>
#include <string>

#include "platform/core/Object.h"

class Exception : public TObject, public std::exception {
public:
  BORROW_CLASS(Exception, TObject)
  Exception() = default;
  explicit Exception(String msg) : FMessage(std::move(msg)), FUtf8(ToUtf8(FMessage)) {}
  const String& Message() const { return FMessage; }
  void SetMessage(String msg) {
    FMessage = std::move(msg);
    FUtf8 = ToUtf8(FMessage);
  }
  const char* what() const noexcept override { return FUtf8.c_str(); }

private:
  String FMessage;
  std::string FUtf8;
};

#define BORROW_EXCEPTION(Self, Base) \
  class Self : public Base {         \
  public:                            \
    BORROW_CLASS(Self, Base)         \
    using Base::Base;                \
  };

BORROW_EXCEPTION(EAbort, Exception)
BORROW_EXCEPTION(EConvertError, Exception)
BORROW_EXCEPTION(EListError, Exception)
BORROW_EXCEPTION(EStringListError, Exception)
BORROW_EXCEPTION(EInvalidOperation, Exception)
BORROW_EXCEPTION(EInvalidPointer, Exception)
BORROW_EXCEPTION(EOutOfMemory, Exception)
// A stream or file fault; ErrorCode is the system's error number when the
// system refused (0 otherwise), so a caller can tell a full disk from a
// read-only folder without reading the text.
class EStreamError : public Exception {
public:
  BORROW_CLASS(EStreamError, Exception)
  using Exception::Exception;
  EStreamError(String msg, int AErrorCode) : Exception(std::move(msg)), FErrorCode(AErrorCode) {}
  int ErrorCode() const { return FErrorCode; }

private:
  int FErrorCode = 0;
};
BORROW_EXCEPTION(EFilerError, EStreamError)
BORROW_EXCEPTION(EReadError, EFilerError)
BORROW_EXCEPTION(EWriteError, EFilerError)
BORROW_EXCEPTION(EClassNotFound, EFilerError)
BORROW_EXCEPTION(EFOpenError, EStreamError)
BORROW_EXCEPTION(EFCreateError, EStreamError)
BORROW_EXCEPTION(EInOutError, Exception)
BORROW_EXCEPTION(EVariantError, Exception)
BORROW_EXCEPTION(EVariantTypeCastError, EVariantError)
BORROW_EXCEPTION(EVariantInvalidOpError, EVariantError)
BORROW_EXCEPTION(EVariantBadIndexError, EVariantError)
BORROW_EXCEPTION(EIntOverflow, Exception)
BORROW_EXCEPTION(EZeroDivide, Exception)
BORROW_EXCEPTION(EIniFileException, Exception)
