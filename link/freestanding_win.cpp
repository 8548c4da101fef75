// The Windows DLLs link no C run-time; the compiler may still emit calls to
// these for copies and fills of its own. Built with -fno-builtin and without
// loop-to-call transformations, so they do not call themselves.
#include <stddef.h>

extern "C" {

void* memcpy(void* to, const void* from, size_t count) {
  auto* out = static_cast<unsigned char*>(to);
  const auto* in = static_cast<const unsigned char*>(from);
  for (size_t i = 0; i < count; ++i) out[i] = in[i];
  return to;
}

void* memmove(void* to, const void* from, size_t count) {
  auto* out = static_cast<unsigned char*>(to);
  const auto* in = static_cast<const unsigned char*>(from);
  if (out < in) {
    for (size_t i = 0; i < count; ++i) out[i] = in[i];
  } else {
    for (size_t i = count; i > 0; --i) out[i - 1] = in[i - 1];
  }
  return to;
}

void* memset(void* to, int value, size_t count) {
  auto* out = static_cast<unsigned char*>(to);
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(value);
  return to;
}

}  // extern "C"
