// The transport library's two calls, as the vexa library makes them.
#include <cstdint>

#include "platform.h"
#include "session.h"
#include "vexa.h"

extern "C" {

std::int32_t VEXA_CALL hidWriteData(std::int32_t /*device*/, std::int32_t length,
                                    const unsigned char* frame) {
  try {
    static const bool pinned = (vr::pinThisModule(), true);
    (void)pinned;
    return vr::processSession().write(frame, length);
  } catch (...) {
    return 0;  // never let anything escape into the application
  }
}

std::int32_t VEXA_CALL hidReadData(std::int32_t /*device*/, std::int32_t size,
                                   unsigned char* reply) {
  try {
    return vr::processSession().read(reply, size);
  } catch (...) {
    return 0;
  }
}

}  // extern "C"
