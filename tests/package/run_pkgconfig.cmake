# A C program built by hand with the flags pkg-config gives for the unpacked
# package (found through PKG_CONFIG_PATH alone, wherever it was unpacked),
# run against the package's virtual reader.
#   cmake -DROOT=... -DWORK=... -DLIBDIR=lib -DCC=cc -DPKG_CONFIG=pkg-config
#         -P run_pkgconfig.cmake
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)
set(PLATFORM linux)
set(dir ${WORK}/pkg-config-session)
file(REMOVE_RECURSE ${dir})
file(MAKE_DIRECTORY ${dir})
package_read_header_version(${ROOT}/include/vexa.h)

set(ENV{PKG_CONFIG_PATH} ${ROOT}/${LIBDIR}/pkgconfig)
set(ENV{PKG_CONFIG_LIBDIR} ${ROOT}/${LIBDIR}/pkgconfig)
package_run(COMMAND ${PKG_CONFIG} --modversion vexa OUTPUT version)
string(STRIP "${version}" version)
if(NOT version STREQUAL package_header_version)
  package_fail("pkg-config says version ${version}, vexa.h ${package_header_version}")
endif()
package_run(COMMAND ${PKG_CONFIG} --cflags vexa OUTPUT cflags)
package_run(COMMAND ${PKG_CONFIG} --libs vexa OUTPUT libs)
package_run(COMMAND ${PKG_CONFIG} --variable=libdir vexa OUTPUT libdir)
separate_arguments(cflags UNIX_COMMAND "${cflags}")
separate_arguments(libs UNIX_COMMAND "${libs}")
string(STRIP "${libdir}" libdir)
file(REAL_PATH ${libdir} libdir)
if(NOT libdir STREQUAL "${ROOT}/${LIBDIR}")
  package_fail("pkg-config's libdir is ${libdir}, not the unpacked ${ROOT}/${LIBDIR}")
endif()

set(program ${dir}/vexa_package_session)
package_run(COMMAND ${CC} -std=c11 -Wall -Wextra -Wpedantic -Werror ${cflags}
                    ${CMAKE_CURRENT_LIST_DIR}/consumer/session.c -o ${program} ${libs}
                    -Wl,-rpath,${libdir})
package_write_field(${dir})
package_session_environment(${dir})
execute_process(COMMAND ${program} ${package_card_serial} ${package_card_block} ${package_card_data}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  package_fail("the session failed (exit ${rc}):\n${out}${err}")
endif()
package_finish("built with pkg-config vexa ${version} and ran a card session")
