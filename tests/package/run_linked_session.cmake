# Builds the card session the way an application's own toolchain does, from
# the unpacked package's header and import library alone, and runs it
# against the package's virtual reader (where this machine can run it).
#   LINK=mingw  MinGW gcc by hand: -I include, lib/libvexa.dll.a
#   LINK=msvc   clang in MSVC mode and lld-link against lib/vexa.lib, with no
#               C run-time, as an MSVC application links
#   LINK=msvc-cmake  the same program from an MSVC-style CMake project
#               (clang-cl, lld-link) through find_package(vexa)
# Either way the program must import exactly the functions it calls, under
# their undecorated names, from vexa.dll.
#   cmake -DLINK=mingw|msvc|msvc-cmake -DROOT=... -DPLATFORM=win32|win64 -DWORK=...
#         -DCC=... -DCLANG=... -DLLD_LINK=... -DLLVM_READOBJ=...
#         -DEMULATOR=... -DRUN=ON|OFF -P run_linked_session.cmake
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)
set(source_dir ${CMAKE_CURRENT_LIST_DIR}/consumer)
set(dir ${WORK}/${LINK}-session)
file(REMOVE_RECURSE ${dir})
file(MAKE_DIRECTORY ${dir})
set(program ${dir}/vexa_package_session.exe)
set(called MF_Anticoll MF_Halt MF_Read MF_Request MF_Select)

if(LINK STREQUAL "mingw")
  package_run(COMMAND ${CC} -std=c11 -Wall -Wextra -Wpedantic -Werror -static-libgcc
                      -I${ROOT}/include ${source_dir}/session.c ${ROOT}/lib/libvexa.dll.a
                      -o ${program})
  set(arguments ${package_card_serial} ${package_card_block} ${package_card_data})
else()
  if(PLATFORM STREQUAL "win32")
    set(target i686-pc-windows-msvc)
    set(machine x86)
  else()
    set(target x86_64-pc-windows-msvc)
    set(machine x64)
  endif()
  package_card_initialisers(serial data)
  if(LINK STREQUAL "msvc")
    package_run(COMMAND ${CLANG} --target=${target} -std=c11 -ffreestanding -O0
                        -Wall -Wextra -Wpedantic -Werror -I${ROOT}/include
                        "-DSESSION_SERIAL=${serial}" "-DSESSION_DATA=${data}"
                        -DSESSION_BLOCK=${package_card_block}
                        -c ${source_dir}/msvc_session.c -o ${dir}/msvc_session.obj)
    package_run(COMMAND ${LLD_LINK} /nologo /machine:${machine} /subsystem:console
                        /entry:session_entry /nodefaultlib /out:${program}
                        ${dir}/msvc_session.obj ${ROOT}/lib/vexa.lib)
  else()
    package_run(COMMAND ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/consumer-msvc
                        -B ${dir}/build -G Ninja -DCMAKE_BUILD_TYPE=Release
                        -DVEXA_MSVC_TARGET=${target}
                        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_LIST_DIR}/consumer-msvc/toolchain.cmake
                        -DCMAKE_PREFIX_PATH=${ROOT} "-DSESSION_SERIAL=${serial}"
                        "-DSESSION_DATA=${data}" -DSESSION_BLOCK=${package_card_block})
    package_run(COMMAND ${CMAKE_COMMAND} --build ${dir}/build)
    set(program ${dir}/build/vexa_package_msvc_session.exe)
  endif()
  set(arguments)
endif()

# What the program imports: vexa.dll, and from it exactly the called names.
package_run(COMMAND ${LLVM_READOBJ} --coff-imports ${program} OUTPUT imports)
string(REGEX MATCHALL "Import {\n  Name: [^\n]+\n[^}]*}" modules "${imports}")
set(from_vexa "")
foreach(module IN LISTS modules)
  if(module MATCHES "Name: vexa\\.dll\n")
    string(REGEX MATCHALL "Symbol: [^ \n]+" symbols "${module}")
    list(TRANSFORM symbols REPLACE "^Symbol: " "")
    list(APPEND from_vexa ${symbols})
  endif()
endforeach()
list(SORT from_vexa)
if(NOT from_vexa STREQUAL called)
  package_fail("${LINK}-linked program imports '${from_vexa}' from vexa.dll, not '${called}'")
endif()

if(RUN)
  package_write_field(${dir})
  package_session_environment(${dir})
  execute_process(COMMAND ${EMULATOR} ${program} ${arguments} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    package_fail("the ${LINK}-linked session failed (exit ${rc}):\n${out}${err}")
  endif()
  set(what "linked and ran a card session")
else()
  set(what "linked (this machine runs no ${PLATFORM} program)")
endif()
package_finish("${LINK}: ${what}")
