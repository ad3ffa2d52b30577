# Cross-compiling the launcher for 32-bit Windows with Debian's mingw-w64.
# Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake ...
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TARNWICK_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
