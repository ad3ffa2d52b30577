# The host build: the logic over the fake platform for the tests, and the
# package tools.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LZMA REQUIRED IMPORTED_TARGET liblzma)
find_package(GTest REQUIRED)
# zlib's crc32 is the reference the CRC tests compare against; tests only.
find_package(ZLIB REQUIRED)

add_library(stubcore STATIC ${LOGIC_SOURCES})
target_include_directories(stubcore PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(stubcore PRIVATE ${TARNWICK_WARNINGS} -Wconversion)
target_link_libraries(stubcore PUBLIC PkgConfig::LZMA)

# The scripted fake of the platform layer, for tests.
add_library(fakeplatform STATIC ${CMAKE_SOURCE_DIR}/platform/FakePlatform.cpp)
target_include_directories(fakeplatform PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(fakeplatform PRIVATE ${TARNWICK_WARNINGS})

# The package writer: builds launcher files for tests and for the builder command.
file(GLOB BUILDER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/builder/*.cpp)
add_library(packagebuilder STATIC ${BUILDER_SOURCES})
target_include_directories(packagebuilder PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(packagebuilder PRIVATE ${TARNWICK_WARNINGS})
target_link_libraries(packagebuilder PUBLIC stubcore PkgConfig::LZMA)

enable_testing()
file(GLOB TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp)
add_executable(unit_tests ${TEST_SOURCES})
target_compile_options(unit_tests PRIVATE ${TARNWICK_WARNINGS})
target_link_libraries(unit_tests PRIVATE packagebuilder stubcore fakeplatform GTest::gtest GTest::gtest_main ZLIB::ZLIB)
include(GoogleTest)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)
include(${CMAKE_SOURCE_DIR}/cmake/Tools.cmake)
include(${CMAKE_SOURCE_DIR}/tests/wine/HostFixtures.cmake)
