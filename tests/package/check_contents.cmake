# The unpacked package holds exactly what a developer's toolchain expects for
# its platform, and nothing else: in particular no transport library where an
# application would pick it up as the reader's own.
#   cmake -DROOT=... -DPLATFORM=win32|win64|linux -DLIBDIR=lib -DVERSION=X.Y.Z
#         -DCONFIG=release -DHAVE_CLI=ON|OFF -DHAVE_VIRTUAL_READER=ON|OFF -P check_contents.cmake
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

set(expected include/vexa.h ${LIBDIR}/cmake/vexa/vexaConfig.cmake
    ${LIBDIR}/cmake/vexa/vexaConfigVersion.cmake ${LIBDIR}/cmake/vexa/vexaTargets.cmake
    ${LIBDIR}/cmake/vexa/vexaTargets-${CONFIG}.cmake)
if(PLATFORM STREQUAL "linux")
  string(REGEX MATCH "^[0-9]+" major ${VERSION})
  list(APPEND expected ${LIBDIR}/libvexa.so ${LIBDIR}/libvexa.so.${major}
       ${LIBDIR}/libvexa.so.${VERSION} ${LIBDIR}/pkgconfig/vexa.pc share/doc/vexa/README.md
       share/doc/vexa/LICENSE)
  set(cli bin/vexa)
  set(virtual_reader ${LIBDIR}/vexa/virtual-reader/libtevra.so)
else()
  list(APPEND expected bin/vexa.dll lib/vexa.lib lib/libvexa.dll.a lib/vexa.def README.md LICENSE)
  set(cli bin/vexa.exe)
  set(virtual_reader bin/virtual-reader/Tevra.dll)
endif()
if(HAVE_CLI)
  list(APPEND expected ${cli})
endif()
if(HAVE_VIRTUAL_READER)
  list(APPEND expected ${virtual_reader})
endif()

file(GLOB_RECURSE present LIST_DIRECTORIES false RELATIVE ${ROOT} ${ROOT}/*)
foreach(file IN LISTS expected)
  if(NOT file IN_LIST present)
    package_fail("missing ${file}")
  endif()
endforeach()
foreach(file IN LISTS present)
  if(NOT file IN_LIST expected)
    package_fail("not expected: ${file}")
  endif()
  # A transport anywhere but in the virtual reader's own directory would be
  # loaded in place of the reader's.
  if(file MATCHES "(^|/)(Tevra\\.dll|libtevra\\.so)$" AND NOT file STREQUAL virtual_reader)
    package_fail("${file}: a transport library outside virtual-reader/")
  endif()
endforeach()

if(PLATFORM STREQUAL "linux")
  # The linker name and the SONAME are links to the one real file.
  foreach(link libvexa.so libvexa.so.${major})
    if(NOT IS_SYMLINK ${ROOT}/${LIBDIR}/${link})
      package_fail("${LIBDIR}/${link} is not a symbolic link")
    endif()
  endforeach()
  file(REAL_PATH ${ROOT}/${LIBDIR}/libvexa.so real)
  if(NOT real STREQUAL "${ROOT}/${LIBDIR}/libvexa.so.${VERSION}")
    package_fail("${LIBDIR}/libvexa.so leads to ${real}")
  endif()
endif()

# The licence is the MIT licence of the vexa developers.
set(license ${ROOT}/LICENSE)
if(PLATFORM STREQUAL "linux")
  set(license ${ROOT}/share/doc/vexa/LICENSE)
endif()
if(EXISTS ${license})
  file(READ ${license} text)
  if(NOT text MATCHES "^MIT License\n\nCopyright \\(c\\) The vexa developers\n")
    package_fail("LICENSE is not the MIT licence of the vexa developers")
  endif()
endif()
package_finish("${ROOT}: contents")
