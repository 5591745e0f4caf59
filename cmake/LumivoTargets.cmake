# Shared helpers so that every subsystem is laid out and built the same way:
# sources are globbed so that adding a file needs no edit here.

# lumivo_library(NAME DIR [DEPS ...]) builds lib<NAME>.so from DIR/src/*.cpp
# (and DIR/src/ui/*.cpp, with Qt Widgets, when present), with DIR/include public.
function(lumivo_library name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB core_sources CONFIGURE_DEPENDS ${dir}/src/*.cpp ${dir}/src/*.c)
  file(GLOB ui_sources CONFIGURE_DEPENDS ${dir}/src/ui/*.cpp)
  file(GLOB ui_headers CONFIGURE_DEPENDS ${dir}/src/ui/*.h ${dir}/include/*/ui/*.h)
  if(NOT core_sources AND NOT ui_sources)
    return()
  endif()
  add_library(${name} SHARED ${core_sources} ${ui_sources} ${ui_headers})
  target_include_directories(${name} PUBLIC ${dir}/include PRIVATE ${dir}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
  if(ui_sources)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PUBLIC Qt6::Widgets)
  endif()
endfunction()

# lumivo_tests(NAME DIR LIBS...) builds one GoogleTest binary from DIR/tests/*.cpp
# and registers it with CTest.
function(lumivo_tests name dir)
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
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LUMIVO_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
