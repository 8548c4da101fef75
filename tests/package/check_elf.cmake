# The unpacked Linux package's libvexa.so is a release library an
# application can ship: its SONAME carries the major version, it needs no
# sanitiser or C++ run-time, and it looks for the transport beside itself.
# The CLI finds the library from bin/.
#   cmake -DROOT=... -DLIBDIR=lib -DVERSION=X.Y.Z -DREADELF=readelf
#         -DHAVE_CLI=ON|OFF -P check_elf.cmake
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)
string(REGEX MATCH "^[0-9]+" major ${VERSION})
set(library ${ROOT}/${LIBDIR}/libvexa.so.${VERSION})

package_run(COMMAND ${READELF} -d ${library} OUTPUT dynamic)
if(NOT dynamic MATCHES "\\(SONAME\\)[^\n]*\\[libvexa\\.so\\.${major}\\]")
  package_fail("libvexa.so.${VERSION}: SONAME is not libvexa.so.${major}")
endif()
if(NOT dynamic MATCHES "\\(RUNPATH\\)[^\n]*\\[\\$ORIGIN\\]")
  package_fail("libvexa.so.${VERSION}: RUNPATH is not $ORIGIN")
endif()
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]]+\\]" needed "${dynamic}")
foreach(entry IN LISTS needed)
  if(entry MATCHES "\\[(lib(asan|ubsan|tsan|lsan|stdc\\+\\+|gcc_s)[^]]*)\\]")
    package_fail("libvexa.so.${VERSION} needs ${CMAKE_MATCH_1}")
  endif()
endforeach()

if(HAVE_CLI)
  package_run(COMMAND ${READELF} -d ${ROOT}/bin/vexa OUTPUT cli)
  if(NOT cli MATCHES "\\((RUNPATH|RPATH)\\)[^\n]*\\[\\$ORIGIN/\\.\\./${LIBDIR}\\]")
    package_fail("bin/vexa does not look for the library in ../${LIBDIR}")
  endif()
endif()
package_finish("${library}: SONAME libvexa.so.${major}, release build")
