# The import libraries and the module definition of an unpacked Windows
# package name every function of the export table, as each toolchain's
# callers refer to it, and import it from "vexa.dll":
#   lib/vexa.lib       MSVC: short import objects; on 32-bit _MF_Read@20 with
#                      the "undecorate" name type, so MF_Read is imported
#   lib/libvexa.dll.a  MinGW: the same symbols
#   lib/vexa.def       every function at its ordinal
#   cmake -DROOT=... -DPLATFORM=win32|win64 -DLLVM_NM=... -DLLVM_READOBJ=...
#         -DEXPORTS=api/exports.txt -P check_import_libraries.cmake
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)
package_read_exports(${EXPORTS})
list(LENGTH package_export_names export_count)

# The symbol a caller compiled against the header refers to.
function(caller_symbol out function)
  if(PLATFORM STREQUAL "win32")
    set(${out} "_${function}@${package_exports_${function}}" PARENT_SCOPE)
  else()
    set(${out} "${function}" PARENT_SCOPE)
  endif()
endfunction()

foreach(library vexa.lib libvexa.dll.a)
  package_run(COMMAND ${LLVM_NM} ${ROOT}/lib/${library} OUTPUT symbols)
  foreach(function IN LISTS package_export_names)
    caller_symbol(symbol ${function})
    string(REPLACE "@" "\\@" pattern "${symbol}")
    if(NOT symbols MATCHES "\n[0-9a-f]+ T ${pattern}\n")
      package_fail("lib/${library} lacks ${symbol}")
    endif()
    if(NOT symbols MATCHES "\n[0-9a-f]+ [TI] __imp_${pattern}\n")
      package_fail("lib/${library} lacks __imp_${symbol}")
    endif()
  endforeach()
endforeach()

# vexa.lib: one import object per function, each naming vexa.dll, with the
# name type that leads to the undecorated export.
package_run(COMMAND ${LLVM_READOBJ} --coff-imports ${ROOT}/lib/vexa.lib OUTPUT members)
string(REGEX MATCHALL "File: [^\n]+\nFormat: COFF-import-file\nType: [a-z]+\nName type: [a-z]+\n"
       imports "${members}")
list(LENGTH imports import_count)
if(NOT import_count EQUAL export_count)
  package_fail("lib/vexa.lib holds ${import_count} imports, the table ${export_count} functions")
endif()
if(PLATFORM STREQUAL "win32")
  set(name_type undecorate)
else()
  set(name_type name)
endif()
foreach(import IN LISTS imports)
  if(NOT import MATCHES "^File: vexa\\.dll\nFormat: COFF-import-file\nType: code\nName type: ${name_type}\n")
    string(REPLACE "\n" "; " shown "${import}")
    package_fail("lib/vexa.lib: ${shown} (expected vexa.dll, code, ${name_type})")
  endif()
endforeach()

# vexa.def: the DLL's name and every function at its ordinal.
file(READ ${ROOT}/lib/vexa.def def)
if(NOT def MATCHES "^LIBRARY \"vexa\\.dll\"\nEXPORTS\n")
  package_fail("lib/vexa.def does not describe vexa.dll")
endif()
foreach(function IN LISTS package_export_names)
  if(PLATFORM STREQUAL "win32")
    set(entry "${function}@${package_exports_${function}}")
  else()
    set(entry "${function}")
  endif()
  string(FIND "${def}" "\n  ${entry} @${package_ordinal_${function}}\n" at)
  if(at EQUAL -1)
    package_fail("lib/vexa.def lacks '${entry} @${package_ordinal_${function}}'")
  endif()
endforeach()
package_finish("${ROOT}: import libraries (${export_count} functions)")
