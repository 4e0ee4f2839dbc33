# 32-bit Windows build of the unit tests: the shipped build's toolchain with the compiler's
# POSIX-threads runtime, which the test framework needs (std::mutex); the core uses no thread.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
