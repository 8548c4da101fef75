// What the library's results mean. The library's own codes and the
// reader's status bytes share one number space, so the meaning of a result
// depends on the function that returned it: 5 is "no reply" from MF_Select
// but the reader's status 5 from MF_Read.
#ifndef VEXA_CLI_RESULTS_H
#define VEXA_CLI_RESULTS_H

#include <cstdint>
#include <optional>
#include <string>

#include "reader_api.h"

namespace vexa::cli {

// The meaning of `result` as returned by `fn`.
std::string resultMeaning(Fn fn, int result);
// True when `result` from `fn` is one of the library's own codes rather
// than the reader's status.
bool isLibraryCode(Fn fn, int result);
// The reader's detail byte, delivered with status 1: its own codes from
// 0x80 up, an ISO/IEC 15693 tag's error codes below.
std::string detailMeaning(std::uint8_t detail);

// "MF_Read returned 1: the command failed: authentication failed (detail 0x82)"
std::string describeResult(Fn fn, int result, std::optional<std::uint8_t> detail);

}  // namespace vexa::cli

#endif  // VEXA_CLI_RESULTS_H
