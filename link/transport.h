// Loading the reader's transport library for one exchange. One
// implementation per platform: transport_win.cpp, transport_posix.cpp.
#pragma once

#include <stdint.h>

#include "vexa.h"

namespace vexa::link {

using TransportWrite = int32_t(VEXA_CALL*)(int32_t, int32_t, uint8_t*);
using TransportRead = int32_t(VEXA_CALL*)(int32_t, int32_t, uint8_t*);

struct Transport {
  void* module = nullptr;
  TransportWrite write = nullptr;
  TransportRead read = nullptr;
};

// Loads the transport library and looks up both of its functions. Returns
// false, with nothing left loaded, when either step fails.
bool openTransport(Transport& transport);
// Releases what openTransport loaded.
void closeTransport(Transport& transport);

}  // namespace vexa::link
