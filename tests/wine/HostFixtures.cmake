# Host side of the Wine suite: the program that writes the cases' launcher
# files from the real launcher image with our own package encoder.
add_executable(wine_cases ${CMAKE_SOURCE_DIR}/tests/wine/WineCases.cpp)
target_compile_options(wine_cases PRIVATE ${TARNWICK_WARNINGS})
target_link_libraries(wine_cases PRIVATE packagebuilder fakeplatform)
