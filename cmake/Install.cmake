# What `cmake --install` puts in a prefix, and the package made from it
# (cmake/Packaging.cmake). Included at the end of the top-level CMakeLists.txt,
# after every subdirectory, so that the targets of the CLI and the virtual
# reader exist here when they are built.
#
# Windows (both bitnesses):
#   bin/vexa.dll                      the library
#   bin/vexa.exe                      the command-line tool
#   bin/virtual-reader/Tevra.dll      the virtual reader, kept apart from the
#                                     real transport that ships beside vexa.dll
#   include/vexa.h
#   lib/vexa.lib                      import library for MSVC
#   lib/libvexa.dll.a                 import library for MinGW
#   lib/vexa.def                      module definition, for other toolchains
#   lib/cmake/vexa/                   find_package(vexa): vexa::vexa
#   README.md, LICENSE
# Linux:
#   lib/libvexa.so.X.Y.Z, lib/libvexa.so.X, lib/libvexa.so
#   bin/vexa, lib/vexa/virtual-reader/libtevra.so
#   include/vexa.h, lib/cmake/vexa/, lib/pkgconfig/vexa.pc
#   share/doc/vexa/README.md, share/doc/vexa/LICENSE
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VEXA_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/vexa)
if(WIN32)
  set(VEXA_INSTALL_DOCDIR .)
  set(VEXA_INSTALL_VIRTUAL_READERDIR ${CMAKE_INSTALL_BINDIR}/virtual-reader)
  set(VEXA_VIRTUAL_READER_FILE Tevra.dll)
else()
  set(VEXA_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vexa)
  set(VEXA_INSTALL_VIRTUAL_READERDIR ${CMAKE_INSTALL_LIBDIR}/vexa/virtual-reader)
  set(VEXA_VIRTUAL_READER_FILE libtevra.so)
endif()

# ---- the library, its header and its import libraries ----
install(TARGETS vexa EXPORT vexaTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/vexa.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(WIN32)
  # vexa.def for other toolchains. On 32-bit it names the stdcall symbols
  # (MF_Read@20): `lib /def:vexa.def /machine:x86` and `dlltool --kill-at`
  # make from it an import library whose _MF_Read@20 imports MF_Read.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(vexa_user_def ${VEXA_EXPORTS_IMPLIB})
    set(vexa_dlltool_machine i386)
    set(vexa_dlltool_options --kill-at)
  else()
    set(vexa_user_def ${VEXA_EXPORTS_DEF})
    set(vexa_dlltool_machine i386:x86-64)
    set(vexa_dlltool_options)
  endif()

  # vexa.lib for MSVC: short import objects, as Microsoft's own lib.exe makes.
  # On 32-bit each _MF_Read@20 carries the "undecorate" name type, so an MSVC
  # caller's reference to _MF_Read@20 imports the undecorated MF_Read.
  find_program(VEXA_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED
               DOC "llvm-dlltool, which makes the MSVC import library vexa.lib")
  set(vexa_msvc_lib ${PROJECT_BINARY_DIR}/msvc/vexa.lib)
  add_custom_command(OUTPUT ${vexa_msvc_lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/msvc
    COMMAND ${VEXA_LLVM_DLLTOOL} -m ${vexa_dlltool_machine} ${vexa_dlltool_options}
            -D vexa.dll -d ${vexa_user_def} -l ${vexa_msvc_lib}
    DEPENDS ${vexa_user_def}
    COMMENT "Making the MSVC import library vexa.lib"
    VERBATIM)
  add_custom_target(vexa_msvc_import_library ALL DEPENDS ${vexa_msvc_lib})
  install(FILES ${vexa_msvc_lib} DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${vexa_user_def} DESTINATION ${CMAKE_INSTALL_LIBDIR} RENAME vexa.def)
endif()

# ---- find_package(vexa): the imported target vexa::vexa ----
install(EXPORT vexaTargets NAMESPACE vexa:: DESTINATION ${VEXA_INSTALL_CMAKEDIR})
if(WIN32)
  set(VEXA_PACKAGE_HAS_MSVC_LIB TRUE)
else()
  set(VEXA_PACKAGE_HAS_MSVC_LIB FALSE)
endif()
set(VEXA_MSVC_IMPORT_LIBRARY ${CMAKE_INSTALL_LIBDIR}/vexa.lib)
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/vexaConfig.cmake.in
  ${PROJECT_BINARY_DIR}/packaging/vexaConfig.cmake INSTALL_DESTINATION ${VEXA_INSTALL_CMAKEDIR}
  PATH_VARS VEXA_MSVC_IMPORT_LIBRARY)
# Same major version, and the same bitness: a 32-bit application cannot load
# the 64-bit DLL, so find_package refuses the other one.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/packaging/vexaConfigVersion.cmake
  VERSION ${VEXA_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/packaging/vexaConfig.cmake
              ${PROJECT_BINARY_DIR}/packaging/vexaConfigVersion.cmake
        DESTINATION ${VEXA_INSTALL_CMAKEDIR})

# ---- pkg-config, relocatable: its prefix is found from the file's place ----
if(NOT WIN32)
  file(RELATIVE_PATH VEXA_PC_PREFIX_FROM_PCFILEDIR
       /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/vexa.pc.in
                 ${PROJECT_BINARY_DIR}/packaging/vexa.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/vexa.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

# ---- the command-line tool and the virtual reader, once they exist ----
if(TARGET vexa_cli)
  # Linux: bin/vexa finds lib/libvexa.so.X from where it lies.
  file(RELATIVE_PATH vexa_cli_to_lib /prefix/${CMAKE_INSTALL_BINDIR}
       /prefix/${CMAKE_INSTALL_LIBDIR})
  set_property(TARGET vexa_cli PROPERTY INSTALL_RPATH "$ORIGIN/${vexa_cli_to_lib}")
  install(TARGETS vexa_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET tevra_virtual)
  # Under its transport name, but in a directory of its own: whoever copies
  # bin/ beside an application does not ship the virtual reader by mistake.
  install(FILES $<TARGET_FILE:tevra_virtual> DESTINATION ${VEXA_INSTALL_VIRTUAL_READERDIR}
          RENAME ${VEXA_VIRTUAL_READER_FILE})
endif()

# ---- documents ----
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${VEXA_INSTALL_DOCDIR})

include(${CMAKE_CURRENT_LIST_DIR}/Packaging.cmake)

# ---- the tests of the package itself ----
# A sanitised build would install a library that needs the sanitiser
# run-times, which no application has: its package is not tested.
if(VEXA_BUILD_TESTS AND NOT VEXA_SANITIZE AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/package ${PROJECT_BINARY_DIR}/tests/package)
endif()
