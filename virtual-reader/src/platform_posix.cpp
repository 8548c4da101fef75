#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform.h"

namespace vr {

std::string replaceFileAtomically(const std::string& path, const std::string& contents) {
  const std::string temporary = path + ".tmp." + std::to_string(::getpid());
  constexpr mode_t kFileMode = 0644;
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kFileMode);
  if (fd < 0) return temporary + ": " + std::strerror(errno);
  std::size_t written = 0;
  while (written < contents.size()) {
    const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      const std::string problem = temporary + ": " + std::strerror(errno);
      ::close(fd);
      ::unlink(temporary.c_str());
      return problem;
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const std::string problem = temporary + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return problem;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string problem = path + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return problem;
  }
  return {};
}

// The library is linked with -z nodelete: the loader never unloads it.
void pinThisModule() {}

}  // namespace vr
