# An MSVC-style toolchain on this machine: clang-cl and lld-link, which read
# MSVC's command lines and objects and link against MSVC import libraries.
# There are no Windows SDK libraries here, so programs link nothing by
# default. VEXA_MSVC_TARGET: i686-pc-windows-msvc or x86_64-pc-windows-msvc.
set(CMAKE_SYSTEM_NAME Windows)
if(VEXA_MSVC_TARGET MATCHES "^i686")
  set(CMAKE_SYSTEM_PROCESSOR X86)
else()
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
endif()
find_program(CMAKE_C_COMPILER NAMES clang-cl clang-cl-14 REQUIRED)
find_program(CMAKE_LINKER NAMES lld-link lld-link-14 REQUIRED)
find_program(CMAKE_AR NAMES llvm-lib llvm-lib-14 REQUIRED)
find_program(CMAKE_MT NAMES llvm-mt llvm-mt-14 REQUIRED)
set(CMAKE_C_COMPILER_TARGET ${VEXA_MSVC_TARGET})
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VEXA_MSVC_TARGET)
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
