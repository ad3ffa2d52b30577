# The shared part of the mingw-w64 toolchain files: the including file sets
# CMAKE_SYSTEM_PROCESSOR and TARNWICK_MINGW_PREFIX first.
set(CMAKE_SYSTEM_NAME Windows)

# Debian ships a win32-threads and a posix-threads flavour; the launcher has
# one thread and wants no winpthread DLL, so take the win32 one when present.
find_program(CMAKE_C_COMPILER NAMES ${TARNWICK_MINGW_PREFIX}-gcc-win32 ${TARNWICK_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TARNWICK_MINGW_PREFIX}-g++-win32 ${TARNWICK_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TARNWICK_MINGW_PREFIX}-windres REQUIRED)
find_program(CMAKE_OBJDUMP NAMES ${TARNWICK_MINGW_PREFIX}-objdump)
find_program(CMAKE_STRIP NAMES ${TARNWICK_MINGW_PREFIX}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
