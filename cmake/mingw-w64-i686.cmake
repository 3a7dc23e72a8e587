# Windows (i686) with Debian's g++-mingw-w64-i686:
#   cmake -S . -B build/windows-i686 --toolchain cmake/mingw-w64-i686.cmake
set(MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
