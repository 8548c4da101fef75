#include <dlfcn.h>

#include "transport.h"

namespace vexa::link {

namespace {
constexpr const char* kTransportFile = "libtevra.so";
}

bool openTransport(Transport& transport) {
  void* module = dlopen(kTransportFile, RTLD_NOW | RTLD_LOCAL);
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
