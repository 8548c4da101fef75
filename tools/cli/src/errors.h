// The two ways a command of the tool ends without success: a usage error
// (bad arguments, caught before anything reaches the library) and a failed
// library call (its result code and what it means).
#ifndef VEXA_CLI_ERRORS_H
#define VEXA_CLI_ERRORS_H

#include <optional>
#include <stdexcept>
#include <string>

#include "reader_api.h"

namespace vexa::cli {

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitCallFailed = 1;
inline constexpr int kExitUsage = 2;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The command could not do what was asked (a card that holds no value
// block where one was expected, a write that did not read back...).
class CommandFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A library call returned a result other than success. `detail` is the
// reader's detail byte when the call delivers one (see results.h).
class CallFailed : public CommandFailed {
 public:
  CallFailed(Fn fn, int result, std::optional<std::uint8_t> detail = std::nullopt,
             std::string context = {});
  Fn fn() const { return fn_; }
  int result() const { return result_; }
  std::optional<std::uint8_t> detail() const { return detail_; }
  const std::string& context() const { return context_; }

 private:
  Fn fn_;
  int result_;
  std::optional<std::uint8_t> detail_;
  std::string context_;
};

}  // namespace vexa::cli

#endif  // VEXA_CLI_ERRORS_H
