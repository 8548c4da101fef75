# libvexa.so: exactly the exported names, and the transport looked up beside
# the library first.
#
# libvexa.so.MAJOR.MINOR.PATCH with the SONAME libvexa.so.MAJOR: an
# application built against this major version keeps loading any later
# release of it, and a new major version installs beside the old one.
include(${CMAKE_CURRENT_LIST_DIR}/Version.cmake)
set_target_properties(vexa PROPERTIES VERSION ${VEXA_VERSION} SOVERSION ${VEXA_VERSION_MAJOR})
set_target_properties(vexa PROPERTIES
  C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
  BUILD_RPATH "$ORIGIN" INSTALL_RPATH "$ORIGIN" LINK_DEPENDS ${VEXA_EXPORTS_MAP})
target_link_options(vexa PRIVATE -Wl,--version-script=${VEXA_EXPORTS_MAP} -Wl,--enable-new-dtags -Wl,--as-needed
                    -Wl,--no-undefined)
target_link_libraries(vexa PRIVATE ${CMAKE_DL_LIBS} Threads::Threads)
