# Cross-builds the core, pelkoctl and the tests for 64-bit Windows with
# Debian's MinGW-w64 (the posix threads flavour, for std::thread). The tests
# run under Wine through CTest.
#   cmake -G Ninja -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(PELKO_WINE NAMES wine wine64)
if(PELKO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PELKO_WINE})
endif()
# The window needs a Windows Qt; the test framework is built from the
# sources Debian ships.
set(PELKO_BUILD_GUI OFF CACHE BOOL "" FORCE)
set(PELKO_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
