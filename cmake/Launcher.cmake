# The Windows build: the real launcher, a 32-bit GUI executable, and the
# helper programs and cases of the end-to-end suite under Wine. Configure
# with -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The launcher's size limit, bare (no package attached).
set(TARNWICK_LAUNCHER_MAX_SIZE 65536)

# liblzma: static and decoder-only, cross-built from Debian's source package.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(xz_default_prefix "${CMAKE_SOURCE_DIR}/build/xz-win64")
else()
  set(xz_default_prefix "${CMAKE_SOURCE_DIR}/build/xz-win32")
endif()
set(TARNWICK_XZ_PREFIX "${xz_default_prefix}" CACHE PATH "Where the cross-built liblzma is")
if(NOT EXISTS "${TARNWICK_XZ_PREFIX}/lib/liblzma.a")
  execute_process(COMMAND "${CMAKE_SOURCE_DIR}/scripts/build-xz-win32.sh" "${TARNWICK_XZ_PREFIX}"
                          "${TARNWICK_MINGW_PREFIX}"
                  RESULT_VARIABLE xz_result)
  if(NOT xz_result EQUAL 0)
    message(FATAL_ERROR "The cross build of liblzma failed")
  endif()
endif()
add_library(lzma_win32 STATIC IMPORTED)
set_target_properties(lzma_win32 PROPERTIES
  IMPORTED_LOCATION "${TARNWICK_XZ_PREFIX}/lib/liblzma.a"
  INTERFACE_INCLUDE_DIRECTORIES "${TARNWICK_XZ_PREFIX}/include"
  INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC)

# Lean code: no exceptions, RTTI or unwinding tables, every function in its
# own section for the linker to drop, and no build paths in the image.
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
set(TARNWICK_LEAN_FLAGS
  -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
  -fno-threadsafe-statics -ffunction-sections -fdata-sections
  -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)

add_library(stubcore STATIC ${LOGIC_SOURCES})
target_include_directories(stubcore PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(stubcore PRIVATE ${TARNWICK_WARNINGS} -Wconversion ${TARNWICK_LEAN_FLAGS})
target_link_libraries(stubcore PUBLIC lzma_win32)

# The icon, drawn as text in the repository.
set(LAUNCHER_ICON "${CMAKE_BINARY_DIR}/resources/launcher.ico")
add_custom_command(
  OUTPUT "${LAUNCHER_ICON}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/resources"
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/tools/make-icon.py"
          "${CMAKE_SOURCE_DIR}/resources/launcher-icon.txt" "${LAUNCHER_ICON}"
  DEPENDS "${CMAKE_SOURCE_DIR}/tools/make-icon.py" "${CMAKE_SOURCE_DIR}/resources/launcher-icon.txt"
  COMMENT "Drawing the launcher icon")
add_custom_target(launcher_icon DEPENDS "${LAUNCHER_ICON}")

# The linked image; the post-link step below turns it into launcher.exe.
add_executable(launcher_linked WIN32
  ${CMAKE_SOURCE_DIR}/stub/Main.cpp
  ${CMAKE_SOURCE_DIR}/platform/Win32Platform.cpp
  ${CMAKE_SOURCE_DIR}/resources/launcher.rc)
add_dependencies(launcher_linked launcher_icon)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/launcher.rc PROPERTIES
  OBJECT_DEPENDS "${LAUNCHER_ICON};${CMAKE_SOURCE_DIR}/resources/launcher.manifest")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/resources -I${CMAKE_BINARY_DIR}/resources")
target_compile_options(launcher_linked PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:${TARNWICK_WARNINGS} ${TARNWICK_LEAN_FLAGS}>)
target_link_libraries(launcher_linked PRIVATE stubcore)
# No C run-time start-up (see stub/Main.cpp). With auto-import off, a data
# import that would have needed the start-up's pseudo-relocations fails the
# link instead of the launcher.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(launcher_entry _TarnwickEntry)
else()
  set(launcher_entry TarnwickEntry)
endif()
target_link_options(launcher_linked PRIVATE
  -nostartfiles -Wl,-e,${launcher_entry} -Wl,--disable-auto-import
  -static-libgcc -static-libstdc++ -s
  -Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,--build-id=none
  -Wl,-Map=${CMAKE_BINARY_DIR}/launcher.map)

set(LAUNCHER_EXE "${CMAKE_BINARY_DIR}/launcher.exe")
# The limit is the real launcher's; the 64-bit twin only stands in for it.
if(TARNWICK_TWIN_ONLY)
  set(launcher_size_check "")
else()
  set(launcher_size_check --max-size ${TARNWICK_LAUNCHER_MAX_SIZE})
endif()
add_custom_command(
  OUTPUT "${LAUNCHER_EXE}"
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/tools/make-header-room.py"
          "$<TARGET_FILE:launcher_linked>" "${LAUNCHER_EXE}" ${launcher_size_check}
  DEPENDS launcher_linked "${CMAKE_SOURCE_DIR}/tools/make-header-room.py"
  COMMENT "Making room for the stub header")
add_custom_target(launcher ALL DEPENDS "${LAUNCHER_EXE}")

if(NOT TARNWICK_TWIN_ONLY)
  enable_testing()
  add_test(NAME image.launcher COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/image/test_launcher_image.py)
  set_tests_properties(image.launcher PROPERTIES ENVIRONMENT
    "TARNWICK_LAUNCHER=${LAUNCHER_EXE};TARNWICK_MANIFEST=${CMAKE_SOURCE_DIR}/resources/launcher.manifest")
  add_test(NAME image.header_room COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/image/test_header_room.py)
endif()

include(${CMAKE_SOURCE_DIR}/tests/wine/WineTests.cmake)
