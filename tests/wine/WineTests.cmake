# The end-to-end suite under Wine: the helper programs (built for every
# Windows architecture) and, in the 32-bit build, one CTest test per case.
add_executable(standin WIN32 ${CMAKE_SOURCE_DIR}/tests/wine/SetupStandIn.cpp)
add_executable(boxreader ${CMAKE_SOURCE_DIR}/tests/wine/BoxReader.cpp)
foreach(helper standin boxreader)
  target_compile_options(${helper} PRIVATE ${TARNWICK_WARNINGS})
  target_link_options(${helper} PRIVATE -static -s)
endforeach()

if(TARNWICK_TWIN_ONLY)
  return()
endif()

# The 64-bit twin: the same launcher and helpers, for machines whose kernel
# cannot run 32-bit code (and so no 32-bit Wine). The suite prefers the real
# 32-bit launcher wherever it can run.
find_program(TARNWICK_MINGW64_CXX NAMES x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++)
set(TARNWICK_TWIN_DIR "${CMAKE_BINARY_DIR}/twin64")
if(TARNWICK_MINGW64_CXX)
  include(ExternalProject)
  ExternalProject_Add(twin64
    SOURCE_DIR "${CMAKE_SOURCE_DIR}"
    BINARY_DIR "${TARNWICK_TWIN_DIR}"
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-x86_64.cmake
               -DCMAKE_BUILD_TYPE=Release -DTARNWICK_TWIN_ONLY=ON
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
endif()

enable_testing()
set(TARNWICK_HOST_BUILD "${CMAKE_SOURCE_DIR}/build/host" CACHE PATH "The host build that holds wine_cases")
set(TARNWICK_WINE_DIR "${CMAKE_SOURCE_DIR}/build/wine" CACHE PATH "Wine prefixes and case files")

set(wine_environment
  "TARNWICK_WINE_DIR=${TARNWICK_WINE_DIR}"
  "TARNWICK_BUILD_DIR=${CMAKE_BINARY_DIR}"
  "TARNWICK_TWIN_DIR=${TARNWICK_TWIN_DIR}"
  "TARNWICK_WINE_CASES=${TARNWICK_HOST_BUILD}/wine_cases")

add_test(NAME wine.setup COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/setup.sh)
set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${wine_environment}" TIMEOUT 900)
add_test(NAME wine.teardown COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/teardown.sh)
set_tests_properties(wine.teardown PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${wine_environment}")

set(wine_cases
  plain payload64 slash32 native32 bitness winversion release manifest81 manifest8
  truncated damaged tempfolder templast tempmissing taken detached signed large)
foreach(case ${wine_cases})
  add_test(NAME wine.${case} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/run-case.sh ${case})
  # One prefix, one display and one message box at a time.
  set_tests_properties(wine.${case} PROPERTIES
    FIXTURES_REQUIRED wine RESOURCE_LOCK wine ENVIRONMENT "${wine_environment}"
    SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()
