# The library's version, read from the public header: the header's
# VEXA_VERSION_* macros are the one place it is written. Sets
# VEXA_VERSION_MAJOR, VEXA_VERSION_MINOR, VEXA_VERSION_PATCH and VEXA_VERSION,
# and stops the configure step if project() names another version, so the
# DLL's version resource, the SONAME, the package files and the CLI agree.
set(vexa_header ${PROJECT_SOURCE_DIR}/include/vexa.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${vexa_header})
file(STRINGS ${vexa_header} vexa_version_lines REGEX "^#define VEXA_VERSION_")
foreach(part MAJOR MINOR PATCH)
  if(NOT vexa_version_lines MATCHES "#define VEXA_VERSION_${part} ([0-9]+)")
    message(FATAL_ERROR "${vexa_header}: no VEXA_VERSION_${part}")
  endif()
  set(VEXA_VERSION_${part} ${CMAKE_MATCH_1})
endforeach()
set(VEXA_VERSION ${VEXA_VERSION_MAJOR}.${VEXA_VERSION_MINOR}.${VEXA_VERSION_PATCH})
if(NOT vexa_version_lines MATCHES "#define VEXA_VERSION_STRING \"${VEXA_VERSION}\"")
  message(FATAL_ERROR "${vexa_header}: VEXA_VERSION_STRING is not \"${VEXA_VERSION}\"")
endif()
if(NOT PROJECT_VERSION VERSION_EQUAL VEXA_VERSION)
  message(FATAL_ERROR "project() says ${PROJECT_VERSION}, include/vexa.h says ${VEXA_VERSION}")
endif()
unset(vexa_version_lines)
unset(vexa_header)

# vexa_add_version_resource(<target> <original-file-name> <description>)
# Windows only: gives <target> a VERSIONINFO resource with the header's
# version, so Explorer and installers show what the file is. A resource adds
# a .rsrc section and no import.
function(vexa_add_version_resource target file_name description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(VEXA_RC_FILE_TYPE VFT_APP)
  else()
    set(VEXA_RC_FILE_TYPE VFT_DLL)
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(VEXA_RC_BITNESS 32-bit)
  else()
    set(VEXA_RC_BITNESS 64-bit)
  endif()
  set(VEXA_RC_ORIGINAL_FILE_NAME ${file_name})
  set(VEXA_RC_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/generated/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
