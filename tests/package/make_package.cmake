# Makes the package the way a release does and lays it out for the other
# checks: the archive from cpack, unpacked under WORK/unpacked (ROOT is its
# one top-level directory), and a `cmake --install` of the same build into
# WORK/prefix, which must hold exactly the same files.
#   cmake -DBUILD_DIR=... -DWORK=... -DPACKAGE_FILE=vexa-X.Y.Z-system.zip
#         -DROOT=... -DCPACK=cpack -P make_package.cmake
include(${CMAKE_CURRENT_LIST_DIR}/common.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/unpacked)

package_run(COMMAND ${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK}/archive
            OUTPUT cpack_output)
set(archive ${WORK}/archive/${PACKAGE_FILE})
if(NOT EXISTS ${archive})
  message(FATAL_ERROR "cpack made no ${PACKAGE_FILE}:\n${cpack_output}")
endif()
package_run(COMMAND ${CMAKE_COMMAND} -E tar xf ${archive} WORKING_DIRECTORY ${WORK}/unpacked)

file(GLOB top RELATIVE ${WORK}/unpacked ${WORK}/unpacked/*)
get_filename_component(root_name ${ROOT} NAME)
if(NOT top STREQUAL root_name)
  package_fail("the archive's top level is '${top}', not the one directory ${root_name}")
endif()

package_run(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/prefix)
file(GLOB_RECURSE archived LIST_DIRECTORIES false RELATIVE ${ROOT} ${ROOT}/*)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${WORK}/prefix ${WORK}/prefix/*)
list(SORT archived)
list(SORT installed)
if(NOT archived STREQUAL installed)
  package_fail("the archive holds\n    ${archived}\n  cmake --install gives\n    ${installed}")
endif()
package_finish("${PACKAGE_FILE} made and unpacked; cmake --install gives the same files")
