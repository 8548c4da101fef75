# Shared part of the MinGW-w64 toolchain files. The posix thread model gives
# the tests and tools std::thread; the library itself links no run-time.
set(CMAKE_C_COMPILER ${VEXA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXA_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${VEXA_MINGW_TRIPLE}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${VEXA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Windows test programs run under 64-bit wine (32-bit ones cannot run here).
if(VEXA_MINGW_TRIPLE STREQUAL "x86_64-w64-mingw32")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()
