# SPDX-License-Identifier: GPL-2.0-or-later
# Run as a test: cmake -DFILES="a;b" -P CheckHeadless.cmake
# Fails when one of FILES (programs or shared libraries) loads any Qt library
# or a library the dynamic linker cannot find: the headless tools must run on
# a machine without a display stack. Also fails on an empty RUNPATH entry,
# which the loader reads as the current directory.
foreach(file IN LISTS FILES)
  execute_process(COMMAND ldd ${file} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "ldd ${file} failed: ${err}")
  endif()
  string(REGEX MATCHALL "libQt6[A-Za-z]*\\.so[.0-9]*" qt "${out}")
  if(qt)
    list(REMOVE_DUPLICATES qt)
    message(FATAL_ERROR "${file} loads ${qt}")
  endif()
  if(out MATCHES "not found")
    message(FATAL_ERROR "${file} needs a library that is not found:\n${out}")
  endif()
  execute_process(COMMAND readelf -d ${file} OUTPUT_VARIABLE dyn RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "readelf -d ${file} failed")
  endif()
  if(dyn MATCHES "R(UN)?PATH\\)[^[]*\\[([^]]*)\\]")
    set(runpath "${CMAKE_MATCH_2}")
    if(runpath MATCHES "(^|:)(:|$)")
      message(FATAL_ERROR "${file} has an empty RUNPATH entry: '${runpath}'")
    endif()
  endif()
  message(STATUS "${file}: no Qt")
endforeach()
