# Checks of the 32-bit DLL that need no 32-bit machine.

# An application that includes the header links against the import library:
# a prototype whose argument size differs from the export fails here.
add_executable(vexa_header_test ${CMAKE_CURRENT_SOURCE_DIR}/header/header_test.c)
target_link_libraries(vexa_header_test PRIVATE vexa)
target_compile_options(vexa_header_test PRIVATE -Wall -Wextra -Wpedantic -Werror)

add_test(NAME dll-tables
  COMMAND ${CMAKE_COMMAND} -DDLL=$<TARGET_FILE:vexa> -DOBJDUMP=${CMAKE_OBJDUMP}
          -DEXPORTS=${PROJECT_SOURCE_DIR}/api/exports.txt
          -P ${CMAKE_CURRENT_SOURCE_DIR}/binary/check_dll.cmake)

# The case tables on the DLL's own code, under x86 emulation.
include(${CMAKE_CURRENT_SOURCE_DIR}/emulator/EmulatedRun.cmake)
