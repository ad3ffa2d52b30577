# The package command, dist/tarnwick-pack: the command's own code in tools/,
# the launcher's logic (stubcore) over the POSIX platform layer, and the
# package writer. Included from Host.cmake.

set(TARNWICK_STUB "" CACHE FILEPATH
  "Launcher image built into tarnwick-pack as its default stub; empty: none, build then needs --stub")
# Only the main host build (the Makefile's) puts the command into dist/;
# other build folders, such as the sanitizer build, keep theirs to
# themselves, so that none overwrites the command a user runs.
set(TARNWICK_DIST_DIR "${CMAKE_BINARY_DIR}" CACHE PATH "Where tarnwick-pack is put")

find_package(Threads REQUIRED)

# Everything but the entry and the parts that run the launcher's code over
# the host platform: those need HostPlatform.cpp, which must not meet the
# fake platform of the tests.
file(GLOB PACKTOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
set(PACKTOOL_COMMAND_SOURCES
  ${CMAKE_SOURCE_DIR}/tools/PackMain.cpp
  ${CMAKE_SOURCE_DIR}/tools/PackCommands.cpp
  ${CMAKE_SOURCE_DIR}/tools/LauncherChecks.cpp)
list(REMOVE_ITEM PACKTOOL_SOURCES ${PACKTOOL_COMMAND_SOURCES})

add_library(packtool STATIC ${PACKTOOL_SOURCES})
target_include_directories(packtool PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(packtool PRIVATE ${TARNWICK_WARNINGS})
target_link_libraries(packtool PUBLIC packagebuilder stubcore PkgConfig::LZMA Threads::Threads)

if(TARNWICK_STUB AND EXISTS "${TARNWICK_STUB}")
  set(EMBEDDED_STUB_SOURCE ${CMAKE_BINARY_DIR}/generated/EmbeddedStub.cpp)
  add_custom_command(
    OUTPUT ${EMBEDDED_STUB_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${TARNWICK_STUB} -DOUTPUT=${EMBEDDED_STUB_SOURCE}
            -P ${CMAKE_SOURCE_DIR}/cmake/EmbedStub.cmake
    DEPENDS ${TARNWICK_STUB} ${CMAKE_SOURCE_DIR}/cmake/EmbedStub.cmake
    COMMENT "Embedding ${TARNWICK_STUB} into tarnwick-pack"
    VERBATIM)
  set(TARNWICK_PACK_HAS_STUB 1)
  message(STATUS "tarnwick-pack: default stub ${TARNWICK_STUB}")
else()
  set(EMBEDDED_STUB_SOURCE ${CMAKE_SOURCE_DIR}/tools/embed/NoEmbeddedStub.cpp)
  set(TARNWICK_PACK_HAS_STUB 0)
  message(STATUS "tarnwick-pack: no default stub built in (set TARNWICK_STUB to the launcher image)")
endif()

add_executable(tarnwick-pack ${PACKTOOL_COMMAND_SOURCES} ${CMAKE_SOURCE_DIR}/platform/HostPlatform.cpp
                             ${EMBEDDED_STUB_SOURCE})
target_compile_options(tarnwick-pack PRIVATE ${TARNWICK_WARNINGS})
target_link_libraries(tarnwick-pack PRIVATE packtool)
set_target_properties(tarnwick-pack PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TARNWICK_DIST_DIR})

# The tests run the built command as a subprocess, and test its pure parts
# directly.
target_link_libraries(unit_tests PRIVATE packtool)
target_compile_definitions(unit_tests PRIVATE TARNWICK_PACK_PATH="$<TARGET_FILE:tarnwick-pack>"
                                              TARNWICK_PACK_HAS_STUB=${TARNWICK_PACK_HAS_STUB})
add_dependencies(unit_tests tarnwick-pack)
