# The installed command-line tool reports the version of the installed
# header (and so of the DLL's version resource), and runs from bin/ with
# nothing but the package beside it.
#   cmake -DROOT=... -DEMULATOR=... -P check_cli_version.cmake
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)
package_read_header_version(${ROOT}/include/vexa.h)
file(GLOB cli ${ROOT}/bin/vexa ${ROOT}/bin/vexa.exe)
if(NOT cli)
  message(FATAL_ERROR "no bin/vexa in the package")
endif()
execute_process(COMMAND ${EMULATOR} ${cli} --version RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
string(STRIP "${out}" out)
if(NOT rc EQUAL 0)
  package_fail("vexa --version failed (${rc}): ${out}${err}")
elseif(NOT out STREQUAL package_header_version_string)
  package_fail("vexa --version says '${out}', vexa.h ${package_header_version_string}")
endif()
package_finish("bin/vexa --version: ${out}")
