// The command line: parses it, runs the command against a reader and
// writes its output. Returns the exit status.
#ifndef VEXA_CLI_APP_H
#define VEXA_CLI_APP_H

#include <ostream>

#include "reader_api.h"

namespace vexa::cli {

struct Streams {
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;  // progress lines go to err only then
};

int run(int argc, const char* const* argv, Reader& reader, Streams streams);

}  // namespace vexa::cli

#endif  // VEXA_CLI_APP_H
