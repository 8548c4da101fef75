#include <dlfcn.h>
#include <limits.h>
#include <string.h>

#include "transport.h"

namespace vexa::link {

namespace {

constexpr const char* kTransportFile = "libtevra.so";

// "<directory of this library>/libtevra.so", worked out on first use. The
// library's RUNPATH ($ORIGIN) says the same, but a dlopen that a sanitizer
// runtime intercepts is resolved as the runtime's call, not ours, and would
// miss a transport beside the library. Called under the command lock.
const char* transportBesideLibrary() {
  static char path[PATH_MAX];
  static bool known = false;
  if (!known) {
    known = true;
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&transportBesideLibrary), &self) != 0 &&
        self.dli_fname != nullptr) {
      const char* slash = strrchr(self.dli_fname, '/');
      const size_t dirLength = slash == nullptr ? 0 : static_cast<size_t>(slash - self.dli_fname);
      if (slash != nullptr && dirLength + 1 + strlen(kTransportFile) < sizeof path) {
        memcpy(path, self.dli_fname, dirLength + 1);
        memcpy(path + dirLength + 1, kTransportFile, strlen(kTransportFile) + 1);
      }
    }
  }
  return path[0] != '\0' ? path : nullptr;
}

void* loadTransport() {
  // Beside the library first, then the usual search by bare name.
  if (const char* beside = transportBesideLibrary()) {
    if (void* module = dlopen(beside, RTLD_NOW | RTLD_LOCAL)) return module;
  }
  return dlopen(kTransportFile, RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

bool openTransport(Transport& transport) {
  void* module = loadTransport();
  if (module == nullptr) return false;
  auto write = reinterpret_cast<TransportWrite>(dlsym(module, "hidWriteData"));
  auto read = reinterpret_cast<TransportRead>(dlsym(module, "hidReadData"));
  if (write == nullptr || read == nullptr) {
    dlclose(module);
    return false;
  }
  transport = Transport{module, write, read};
  return true;
}

void closeTransport(Transport& transport) {
  dlclose(transport.module);
  transport = Transport{};
}

}  // namespace vexa::link
