# vexa.dll: entry point DllEntryPoint, no C or C++ run-time, KERNEL32 only.
set_target_properties(vexa PROPERTIES PREFIX "" OUTPUT_NAME vexa)
target_compile_options(vexa PRIVATE -fno-stack-protector -fno-asynchronous-unwind-tables
                       -mno-stack-arg-probe)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(entry _DllEntryPoint@12)
else()
  set(entry DllEntryPoint)
endif()
target_sources(vexa PRIVATE ${VEXA_EXPORTS_DEF})
target_link_options(vexa PRIVATE -nostdlib -nostartfiles -Wl,--entry=${entry}
                    -Wl,--no-seh -Wl,--dynamicbase -Wl,--nxcompat)
target_link_libraries(vexa PRIVATE kernel32 gcc)

# The version resource: Windows shows the file's version and product name.
enable_language(RC)
include(${CMAKE_CURRENT_LIST_DIR}/Version.cmake)
vexa_add_version_resource(vexa vexa.dll "vexa contactless card reader driver")

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The linker's import library would name the undecorated exports, which
  # callers compiled against the header (_MF_Read@20) cannot resolve. dlltool
  # --kill-at makes one whose symbols carry the stdcall decoration and import
  # the undecorated names.
  add_custom_command(TARGET vexa POST_BUILD
    COMMAND ${VEXA_MINGW_TRIPLE}-dlltool --kill-at --input-def ${VEXA_EXPORTS_IMPLIB}
            --dllname vexa.dll --output-lib $<TARGET_LINKER_FILE:vexa>
    VERBATIM)
endif()
