# Every program and DLL of an unpacked Windows package runs on a machine with
# nothing but Windows: all of the package's bitness, importing only system
# DLLs and the package's own DLLs beside them (vexa.dll: KERNEL32.dll
# alone); vexa.dll exports the whole table and carries a version resource
# that says what the installed header says.
#   cmake -DROOT=... -DPLATFORM=win32|win64 -DOBJDUMP=... -DWINDRES=...
#         -DEXPORTS=api/exports.txt -P check_windows_binaries.cmake
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

if(PLATFORM STREQUAL "win32")
  set(magic "010b[ \t]+\\(PE32\\)")
else()
  set(magic "020b[ \t]+\\(PE32\\+\\)")
endif()
# DLLs that every Windows installation has.
set(system_dll_pattern
    "^(kernel32|user32|advapi32|gdi32|shell32|ole32|oleaut32|ws2_32|bcrypt|ntdll|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\\.dll$")

package_read_exports(${EXPORTS})
package_read_header_version(${ROOT}/include/vexa.h)

file(GLOB_RECURSE binaries LIST_DIRECTORIES false ${ROOT}/*.dll ${ROOT}/*.exe)
if(NOT binaries)
  package_fail("no DLL or program in the package")
endif()
foreach(binary IN LISTS binaries)
  file(RELATIVE_PATH name ${ROOT} ${binary})
  package_run(COMMAND ${OBJDUMP} -p ${binary} OUTPUT headers)
  if(NOT headers MATCHES "Magic[ \t]+${magic}")
    package_fail("${name}: not a ${PLATFORM} image")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
  list(TRANSFORM imports REPLACE "^DLL Name: " "")
  if(name STREQUAL "bin/vexa.dll")
    if(NOT imports STREQUAL "KERNEL32.dll")
      package_fail("${name} imports '${imports}', not KERNEL32.dll alone")
    endif()
    set(vexa_headers "${headers}")
  endif()
  # Windows finds the package's own DLLs only in the program's directory.
  get_filename_component(binary_dir ${binary} DIRECTORY)
  foreach(import IN LISTS imports)
    string(TOLOWER "${import}" lower)
    if(EXISTS ${binary_dir}/${import})
      continue()
    endif()
    if(NOT lower MATCHES "${system_dll_pattern}")
      package_fail("${name} needs ${import}, which Windows does not have")
    endif()
  endforeach()
  if(name MATCHES "Tevra\\.dll$")
    foreach(function hidWriteData hidReadData)
      if(NOT headers MATCHES "\\] ${function}\n")
        package_fail("${name} does not export ${function}")
      endif()
    endforeach()
  endif()
endforeach()

# vexa.dll exports every function of the table at its ordinal, under its
# undecorated name (ordinal = name-table index + base 1).
if(DEFINED vexa_headers)
  foreach(function IN LISTS package_export_names)
    math(EXPR index "${package_ordinal_${function}} - 1")
    if(NOT vexa_headers MATCHES "\t\\[ *${index}\\] ${function}\n")
      package_fail("bin/vexa.dll does not export ${function} at ordinal ${package_ordinal_${function}}")
    endif()
  endforeach()
else()
  package_fail("no bin/vexa.dll")
endif()

# The version resource, read back from the DLL as a resource script.
if(EXISTS ${ROOT}/bin/vexa.dll)
  package_run(COMMAND ${WINDRES} -i ${ROOT}/bin/vexa.dll -O rc OUTPUT rc)
  string(REPLACE "." ", " numeric "${package_header_version}")
  if(NOT package_header_version_string STREQUAL package_header_version)
    package_fail("vexa.h: VEXA_VERSION_STRING ${package_header_version_string}, macros ${package_header_version}")
  endif()
  foreach(expected
      "FILEVERSION ${numeric}, 0\n" "PRODUCTVERSION ${numeric}, 0\n" "FILETYPE 0x2\n"
      "VALUE \"FileVersion\", \"${package_header_version_string}\"\n"
      "VALUE \"ProductVersion\", \"${package_header_version_string}\"\n"
      "VALUE \"OriginalFilename\", \"vexa.dll\"\n" "VALUE \"ProductName\", \"vexa\"\n")
    string(FIND "${rc}" "${expected}" at)
    if(at EQUAL -1)
      string(STRIP "${expected}" shown)
      package_fail("bin/vexa.dll: version resource lacks ${shown}")
    endif()
  endforeach()
endif()
package_finish("${ROOT}: Windows binaries")
