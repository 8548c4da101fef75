# The case tables on the 32-bit vexa.dll itself, under x86 emulation. The
# runner is a host program while this tree is a cross build, so it is built
# as a project of its own (tests/emulator) with the host compilers, then run
# on the DLL this tree built.
include(ExternalProject)
find_program(VEXA_HOST_CC NAMES gcc cc REQUIRED)
find_program(VEXA_HOST_CXX NAMES g++ c++ REQUIRED)

set(emulator_dir ${CMAKE_CURRENT_BINARY_DIR}/emulator)
set(emulator_runner ${emulator_dir}/vexa_emulated_runner)
ExternalProject_Add(vexa_emulator
  SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}
  BINARY_DIR ${emulator_dir}
  CMAKE_ARGS -DCMAKE_C_COMPILER=${VEXA_HOST_CC} -DCMAKE_CXX_COMPILER=${VEXA_HOST_CXX}
             -DCMAKE_BUILD_TYPE=Debug -DVEXA_SANITIZE=ON -DVEXA_SOURCE_DIR=${PROJECT_SOURCE_DIR}
  INSTALL_COMMAND ""
  # Its own build decides what is out of date (case tables, exports.txt).
  BUILD_ALWAYS TRUE
  BUILD_BYPRODUCTS ${emulator_runner})

add_test(NAME cases-emulated COMMAND ${emulator_runner} $<TARGET_FILE:vexa>)
