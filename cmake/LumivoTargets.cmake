# SPDX-License-Identifier: GPL-2.0-or-later
# Shared helpers so that every subsystem is laid out and built the same way:
# sources are globbed so that adding a file needs no edit here.

# lumivo_library(NAME DIR [DEPS ...]) builds lib<NAME>.so from DIR/src/*.cpp
# with DIR/include public. These libraries link no Qt: the headless tools use them.
function(lumivo_library name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB core_sources CONFIGURE_DEPENDS ${dir}/src/*.cpp ${dir}/src/*.c)
  if(NOT core_sources)
    return()
  endif()
  add_library(${name} SHARED ${core_sources})
  # Installed beside each other in the program's own library folder.
  set_target_properties(${name} PROPERTIES INSTALL_RPATH "$ORIGIN")
  target_include_directories(${name} PUBLIC ${dir}/include PRIVATE ${dir}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
endfunction()

# lumivo_widgets(NAME DIR [DEPS ...]) builds lib<NAME>.so, a library's Qt
# widgets, from DIR/widgets/src/*.cpp with DIR/widgets/include public.
function(lumivo_widgets name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/widgets/src/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${dir}/widgets/src/*.h ${dir}/widgets/include/*/widgets/*.h)
  if(NOT sources)
    return()
  endif()
  add_library(${name} SHARED ${sources} ${headers})
  set_target_properties(${name} PROPERTIES AUTOMOC ON INSTALL_RPATH "$ORIGIN")
  target_include_directories(${name} PUBLIC ${dir}/widgets/include PRIVATE ${dir}/widgets/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} Qt6::Widgets)
endfunction()

# lumivo_tests(NAME DIR LIBS...) builds one GoogleTest binary from DIR/tests/*.cpp
# and registers it with CTest.
function(lumivo_tests name dir)
  if(NOT BUILD_TESTING)
    return()
  endif()
  file(GLOB test_sources CONFIGURE_DEPENDS ${dir}/tests/*.cpp)
  if(NOT test_sources)
    return()
  endif()
  foreach(lib ${ARGN})
    if(NOT TARGET ${lib})
      return()
    endif()
  endforeach()
  add_executable(${name} ${test_sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${dir}/tests ${dir}/src)
  lumivo_test_environment(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

# lumivo_test_environment(TARGET) builds into a test binary the environment
# its tests need (the source tree, Qt's offscreen platform), so that it runs
# by hand as under CTest; variables set in the environment still win. A
# target that needs more adds LUMIVO_TEST_CONTENT_DIR or LUMIVO_TEST_QVRBUILD
# as compile definitions.
function(lumivo_test_environment target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/test_environment.cpp)
  target_compile_definitions(${target} PRIVATE LUMIVO_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endfunction()
