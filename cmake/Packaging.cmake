# The download: one archive per build, holding what cmake/Install.cmake
# installs. `cpack --preset <preset>` (or the `package` target) makes
#   win32    vexa-X.Y.Z-win32.zip           the 32-bit DLL and its tools
#   win64    vexa-X.Y.Z-win64.zip           the 64-bit DLL and its tools
#   release  vexa-X.Y.Z-linux-<arch>.tar.gz libvexa.so, built without sanitisers
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(vexa_package_system win32)
  else()
    set(vexa_package_system win64)
  endif()
else()
  set(CPACK_GENERATOR TGZ)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" vexa_package_system)
endif()

set(CPACK_PACKAGE_NAME vexa)
set(CPACK_PACKAGE_VENDOR "The vexa developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Driver library for the 13.56 MHz contactless card reader")
set(CPACK_PACKAGE_VERSION ${VEXA_VERSION})
set(VEXA_PACKAGE_FILE_NAME vexa-${VEXA_VERSION}-${vexa_package_system})
set(CPACK_PACKAGE_FILE_NAME ${VEXA_PACKAGE_FILE_NAME})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
# Every file of the archive lies under vexa-X.Y.Z-<system>/.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
