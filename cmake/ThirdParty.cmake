# Header-only libraries from the host's Debian packages. A cross build must
# not see /usr/include itself, so each one is exposed through a directory of
# its own in the build tree that holds only a link to it.
function(vexa_host_header_library target header_dir)
  if(TARGET ${target})
    return()
  endif()
  set(dir ${PROJECT_BINARY_DIR}/host-headers/${target})
  get_filename_component(name ${header_dir} NAME)
  if(EXISTS ${header_dir})
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${header_dir} ${dir}/${name} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${dir})
endfunction()

vexa_host_header_library(vexa_nlohmann_json /usr/include/nlohmann)
vexa_host_header_library(vexa_cli11 /usr/include/CLI)

# GoogleTest from Debian's sources, built with each preset's own compiler.
set(VEXA_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(VEXA_BUILD_TESTS AND NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${VEXA_GOOGLETEST_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
