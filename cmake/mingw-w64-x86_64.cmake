# Windows (x86_64) with Debian's g++-mingw-w64-x86-64:
#   cmake -S . -B build/windows-x86_64 --toolchain cmake/mingw-w64-x86_64.cmake
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
