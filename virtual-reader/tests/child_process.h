// What the end-to-end test needs of the operating system: running itself
// again as a child process, its environment, and the virtual reader the
// vexa library loads.
#ifndef VR_TESTS_CHILD_PROCESS_H
#define VR_TESTS_CHILD_PROCESS_H

#include <cstdint>
#include <string>
#include <vector>

#include "vexa.h"

namespace vr::testing {

using WriteCall = std::int32_t(VEXA_CALL*)(std::int32_t, std::int32_t, const unsigned char*);
using ReadCall = std::int32_t(VEXA_CALL*)(std::int32_t, std::int32_t, unsigned char*);

struct TransportCalls {
  WriteCall write = nullptr;
  ReadCall read = nullptr;
};

// An empty value removes the variable.
void setEnvironment(const std::string& name, const std::string& value);
// Runs this program again with `arguments` and waits; its exit code.
int runSelf(const std::vector<std::string>& arguments);
// Loads the virtual reader that sits beside the program and the library,
// by its full path (so that the library's own load by name finds it even
// where a sanitizer stands between the library and the loader).
TransportCalls openTransport();
// Releases what openTransport loaded.
void closeTransport();
// Whether the virtual reader is loaded, without loading it.
bool transportLoaded();

}  // namespace vr::testing

#endif  // VR_TESTS_CHILD_PROCESS_H
