#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include "module.h"

namespace vexa::test {

const char* const kLibraryFile = "libvexa.so";
const char* const kTransportFile = "libtevra.so";

void* openModule(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
void* moduleSymbol(void* module, const char* name) { return dlsym(module, name); }
void* moduleOrdinal(void*, int) { return nullptr; }

std::string executableDirectory() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string full(path, static_cast<size_t>(n));
  return full.substr(0, full.rfind('/'));
}

std::string joinPath(const std::string& dir, const char* file) { return dir + "/" + file; }

}  // namespace vexa::test
