#include "session.h"

#include "errors.h"
#include "hex.h"
#include "results.h"

namespace vexa::cli {

int Session::record(Fn fn, int result, std::optional<std::uint8_t> detail) {
  calls_.push_back(Call{fn, result, result == 0 ? std::nullopt : detail});
  return result;
}

void Session::require(Fn fn, int result, std::optional<std::uint8_t> detail, std::string context) {
  record(fn, result, detail);
  if (result != 0) {
    endProgress();
    throw CallFailed(fn, result, detail, std::move(context));
  }
}

void Session::progress(const std::string& line) {
  if (!progress_) return;
  std::string padded = line;
  if (padded.size() < progressWidth_) padded.append(progressWidth_ - padded.size(), ' ');
  progressWidth_ = line.size();
  *progress_ << '\r' << padded << std::flush;
}

void Session::endProgress() {
  if (!progress_ || progressWidth_ == 0) return;
  *progress_ << '\r' << std::string(progressWidth_, ' ') << '\r' << std::flush;
  progressWidth_ = 0;
}

json resultJson(Fn fn, int result, std::optional<std::uint8_t> detail) {
  json out = {{"code", result}, {"meaning", resultMeaning(fn, result)}};
  if (detail && result != 0) {
    out["detail"] = {{"code", hexByte(*detail)}, {"meaning", detailMeaning(*detail)}};
  }
  return out;
}

json callsJson(const std::vector<Call>& calls) {
  json out = json::array();
  for (const Call& c : calls) {
    json one = {{"function", std::string(functionName(c.fn))}};
    one.update(resultJson(c.fn, c.result, c.detail));
    out.push_back(std::move(one));
  }
  return out;
}

std::optional<std::uint8_t> detailIn(std::uint8_t firstByte) {
  if (firstByte == 0) return std::nullopt;
  return firstByte;
}

}  // namespace vexa::cli
