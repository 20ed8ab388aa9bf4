#include "base/status.h"

#include <cerrno>
#include <cstring>

namespace tevarin {

Status Status::FromErrno(int error, const std::string& what, const std::string& path) {
  std::string message = what + " " + path + ": " + std::strerror(error);
  return error == ENOENT ? NotFound(std::move(message)) : Io(std::move(message));
}

}  // namespace tevarin
