// vexa: the command-line tool.
#include <cstdio>
#include <iostream>

#include "app.h"

#if defined(_WIN32)
#include <io.h>
#define VEXA_ISATTY _isatty
#define VEXA_FILENO _fileno
#else
#include <unistd.h>
#define VEXA_ISATTY isatty
#define VEXA_FILENO fileno
#endif

int main(int argc, char** argv) {
  const bool terminal = VEXA_ISATTY(VEXA_FILENO(stderr)) != 0;
  return vexa::cli::run(argc, argv, vexa::cli::libraryReader(), {std::cout, std::cerr, terminal});
}
