# Cross-compiling a 64-bit twin of the launcher with Debian's mingw-w64: the
# same sources, run by the Wine suite on machines that cannot run 32-bit code.
# Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake ...
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARNWICK_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
