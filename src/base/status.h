// Status: the outcome of an open, a load or a check — ok, or a failure with a
// kind and a short message that a user can be shown ("cannot open
// /data/Index-idx.h: No such file or directory").
//
// Every engine operation that can fail for a reason outside the program (a
// missing file, a damaged one, a refused argument) returns one, or keeps the
// last one where its answer must stay a plain bool or number. A Status
// converts to bool in a condition: `if (!index.Open(...))` reads as before.
#pragma once

#include <string>
#include <utility>

namespace tevarin {

enum class StatusCode {
  kOk,
  kNotFound,  // a file or an item that should be there is not
  kCorrupt,   // data that breaks its format
  kIo,        // the system refused a read, a write or a mapping
  kInvalid,   // an argument or input outside what the operation takes
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string message) { return {StatusCode::kNotFound, std::move(message)}; }
  static Status Corrupt(std::string message) { return {StatusCode::kCorrupt, std::move(message)}; }
  static Status Io(std::string message) { return {StatusCode::kIo, std::move(message)}; }
  static Status Invalid(std::string message) { return {StatusCode::kInvalid, std::move(message)}; }
  // A failure of the given kind (kOk gives Ok, without a message).
  static Status Of(StatusCode code, std::string message) {
    return code == StatusCode::kOk ? Status() : Status(code, std::move(message));
  }
  // The failure of a system call on path: errno picks the kind (ENOENT is
  // kNotFound, the rest kIo) and the message is "<what> <path>: <reason>".
  static Status FromErrno(int error, const std::string& what, const std::string& path);

  bool IsOk() const { return m_code == StatusCode::kOk; }
  explicit operator bool() const { return IsOk(); }
  StatusCode Code() const { return m_code; }
  const std::string& Message() const { return m_message; }

 private:
  Status(StatusCode code, std::string message) : m_code(code), m_message(std::move(message)) {}

  StatusCode m_code = StatusCode::kOk;
  std::string m_message;
};

}  // namespace tevarin
