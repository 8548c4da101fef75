#include "errors.h"

#include "results.h"

namespace vexa::cli {

CallFailed::CallFailed(Fn fn, int result, std::optional<std::uint8_t> detail, std::string context)
    : CommandFailed(describeResult(fn, result, detail) +
                    (context.empty() ? "" : " (" + context + ")")),
      fn_(fn),
      result_(result),
      detail_(detail),
      context_(std::move(context)) {}

}  // namespace vexa::cli
