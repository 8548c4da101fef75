# An application's CMake project (consumer/) finds the unpacked package with
# find_package(vexa X.Y.Z EXACT), is refused by the next major version,
# links vexa::vexa and runs the card session against the package's virtual
# reader (where this machine can run it).
#   cmake -DROOT=... -DPLATFORM=... -DWORK=... -DLIBDIR=lib -DGENERATOR=Ninja
#         -DTOOLCHAIN_FILE=... -DEMULATOR=... -DREADELF=... -DRUN=ON|OFF
#         -P run_consumer.cmake
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)
set(dir ${WORK}/find-package-session)
file(REMOVE_RECURSE ${dir})
package_read_header_version(${ROOT}/include/vexa.h)

set(configure ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/consumer -B ${dir} -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=Release -DVEXA_EXPECTED_VERSION=${package_header_version})
if(TOOLCHAIN_FILE)
  # A cross build searches only its own root: name the package's directory.
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE}
       -Dvexa_DIR=${ROOT}/${LIBDIR}/cmake/vexa)
else()
  list(APPEND configure -DCMAKE_PREFIX_PATH=${ROOT})
endif()
package_run(COMMAND ${configure})
package_run(COMMAND ${CMAKE_COMMAND} --build ${dir})

file(GLOB program ${dir}/vexa_package_session ${dir}/vexa_package_session.exe)
if(NOT program)
  message(FATAL_ERROR "the consumer project built no vexa_package_session")
endif()
if(PLATFORM STREQUAL "linux")
  # Linked through the SONAME, so a later 1.x release replaces the library.
  string(REGEX MATCH "^[0-9]+" major ${package_header_version})
  package_run(COMMAND ${READELF} -d ${program} OUTPUT dynamic)
  if(NOT dynamic MATCHES "\\(NEEDED\\)[^\n]*\\[libvexa\\.so\\.${major}\\]")
    package_fail("the program does not need libvexa.so.${major}:\n${dynamic}")
  endif()
endif()

if(RUN)
  package_write_field(${dir})
  package_session_environment(${dir})
  execute_process(COMMAND ${EMULATOR} ${program} ${package_card_serial} ${package_card_block}
                          ${package_card_data}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    package_fail("the session failed (exit ${rc}):\n${out}${err}")
  endif()
  if(NOT out MATCHES "vexa.h ${package_header_version_string}\n")
    package_fail("the program was not built from the package's header:\n${out}")
  endif()
  set(what "built with find_package(vexa ${package_header_version}) and ran a card session")
else()
  set(what "built with find_package(vexa ${package_header_version}) (this machine runs no ${PLATFORM} program)")
endif()
package_finish("${what}")
