// What the virtual reader needs from the operating system. One source file
// per platform implements it.
#ifndef VR_PLATFORM_H
#define VR_PLATFORM_H

#include <string>

namespace vr {

// Writes `contents` to a temporary file beside `path`, flushes it to disk,
// then renames it over `path`, so that readers of `path` see the old file
// or the new one and never a part. Returns an empty string, or the problem.
std::string replaceFileAtomically(const std::string& path, const std::string& contents);

// Keeps this library loaded until the process ends, however often the
// application releases it, so that the field lives from one exchange to
// the next.
void pinThisModule();

}  // namespace vr

#endif  // VR_PLATFORM_H
