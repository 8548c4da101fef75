# Shared by the package checks (cmake -P scripts). Each check collects its
# failures with package_fail() and reports them all at package_finish().
cmake_minimum_required(VERSION 3.25)
set(package_failures "")
macro(package_fail text)
  string(APPEND package_failures "  ${text}\n")
endmacro()

function(package_finish what)
  if(package_failures)
    message(FATAL_ERROR "${what}:\n${package_failures}")
  endif()
  message(STATUS "${what}: ok")
endfunction()

# Runs a command; stops the check with its output if it fails.
function(package_run)
  cmake_parse_arguments(arg "" "OUTPUT;WORKING_DIRECTORY" "COMMAND;ENV" ${ARGN})
  set(dir ${CMAKE_CURRENT_BINARY_DIR})
  if(arg_WORKING_DIRECTORY)
    set(dir ${arg_WORKING_DIRECTORY})
  endif()
  set(command ${arg_COMMAND})
  if(arg_ENV)
    set(command ${CMAKE_COMMAND} -E env ${arg_ENV} ${arg_COMMAND})
  endif()
  execute_process(COMMAND ${command} WORKING_DIRECTORY ${dir} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    list(JOIN arg_COMMAND " " shown)
    message(FATAL_ERROR "failed (${rc}): ${shown}\n${out}\n${err}")
  endif()
  if(arg_OUTPUT)
    set(${arg_OUTPUT} "${out}" PARENT_SCOPE)
  endif()
endfunction()

# The export table the package must carry: api/exports.txt, as
# package_exports_<name> = argument bytes, and the list of names.
function(package_read_exports file)
  file(STRINGS ${file} lines REGEX "^[0-9]")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^([0-9]+)[ \t]+([A-Za-z_0-9]+)[ \t]+([0-9]+)" _ "${line}")
    list(APPEND names ${CMAKE_MATCH_2})
    set(package_exports_${CMAKE_MATCH_2} ${CMAKE_MATCH_3} PARENT_SCOPE)
    set(package_ordinal_${CMAKE_MATCH_2} ${CMAKE_MATCH_1} PARENT_SCOPE)
  endforeach()
  set(package_export_names ${names} PARENT_SCOPE)
endfunction()

# The version the installed header declares: package_header_version (X.Y.Z)
# and package_header_version_string (VEXA_VERSION_STRING).
function(package_read_header_version header)
  file(STRINGS ${header} lines REGEX "^#define VEXA_VERSION_")
  foreach(part MAJOR MINOR PATCH)
    if(NOT lines MATCHES "#define VEXA_VERSION_${part} ([0-9]+)")
      message(FATAL_ERROR "${header}: no VEXA_VERSION_${part}")
    endif()
    set(${part} ${CMAKE_MATCH_1})
  endforeach()
  if(NOT lines MATCHES "#define VEXA_VERSION_STRING \"([^\"]*)\"")
    message(FATAL_ERROR "${header}: no VEXA_VERSION_STRING")
  endif()
  set(package_header_version_string ${CMAKE_MATCH_1} PARENT_SCOPE)
  set(package_header_version ${MAJOR}.${MINOR}.${PATCH} PARENT_SCOPE)
  set(package_header_major ${MAJOR} PARENT_SCOPE)
endfunction()

# The card the session programs expect in the virtual reader's field, and
# the field file that puts it there (written under `dir`).
set(package_card_serial 5EC0DE01)
set(package_card_block 2)
# "package session!"
set(package_card_data 7061636B6167652073657373696F6E21)
# The card's values as C initialiser lists: 5EC0DE01 -> 0x5E,0xC0,0xDE,0x01.
function(package_card_initialisers serial_out data_out)
  foreach(kind serial data)
    string(REGEX REPLACE "([0-9A-F][0-9A-F])" "0x\\1," list "${package_card_${kind}}")
    string(REGEX REPLACE ",$" "" list "${list}")
    set(${${kind}_out} "${list}" PARENT_SCOPE)
  endforeach()
endfunction()

function(package_write_field dir)
  file(WRITE ${dir}/field.json
       "{\"cards\": [{\"type\": \"mifare-classic-1k\", \"uid\": \"${package_card_serial}\",\n"
       "  \"blocks\": {\"${package_card_block}\": \"${package_card_data}\"}}]}\n")
endfunction()

# Sets this script's environment so that the programs it runs load the
# unpacked package's library and the virtual reader of the same package,
# with the field file of package_write_field(dir).
function(package_session_environment dir)
  if(PLATFORM STREQUAL "linux")
    set(ENV{LD_LIBRARY_PATH} ${ROOT}/${LIBDIR}/vexa/virtual-reader)
    set(ENV{VEXA_SIM_FIELD} ${dir}/field.json)
  else()
    # wine: Z: is the host's root; Windows finds vexa.dll and Tevra.dll on PATH.
    string(REPLACE "/" "\\" bin "Z:${ROOT}/bin")
    string(REPLACE "/" "\\" field "Z:${dir}/field.json")
    set(ENV{WINEPATH} "${bin};${bin}\\virtual-reader")
    set(ENV{VEXA_SIM_FIELD} "${field}")
  endif()
endfunction()
