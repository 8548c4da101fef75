// One run of a command: the reader it talks to, every library call it made
// with its result, and the progress line on a terminal.
#ifndef VEXA_CLI_SESSION_H
#define VEXA_CLI_SESSION_H

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "reader_api.h"

namespace vexa::cli {

using json = nlohmann::ordered_json;

struct Call {
  Fn fn;
  int result;
  std::optional<std::uint8_t> detail;
};

class Session {
 public:
  // `progress` receives progress lines, rewritten in place; null for none.
  explicit Session(Reader& reader, std::ostream* progress = nullptr)
      : reader_(reader), progress_(progress) {}

  Reader& reader() { return reader_; }
  const std::vector<Call>& calls() const { return calls_; }

  // Records a call's result and hands it back.
  int record(Fn fn, int result, std::optional<std::uint8_t> detail = std::nullopt);
  // Records it and throws CallFailed unless it is success.
  void require(Fn fn, int result, std::optional<std::uint8_t> detail = std::nullopt,
               std::string context = {});

  void progress(const std::string& line);
  void endProgress();

 private:
  Reader& reader_;
  std::ostream* progress_;
  std::vector<Call> calls_;
  std::size_t progressWidth_ = 0;
};

// {"code": 0, "meaning": "success"} with the detail when there is one.
json resultJson(Fn fn, int result, std::optional<std::uint8_t> detail = std::nullopt);
json callsJson(const std::vector<Call>& calls);

// The detail byte a failed call left in the first byte of a buffer that
// was zero before it: present when the call wrote a nonzero byte there.
std::optional<std::uint8_t> detailIn(std::uint8_t firstByte);

}  // namespace vexa::cli

#endif  // VEXA_CLI_SESSION_H
