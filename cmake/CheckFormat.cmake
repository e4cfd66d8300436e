# Checks that the project's own sources are formatted as their .clang-format files say (the house
# style at the top, the evaluator family's own in its folders). Changes nothing: it lists the files
# clang-format would change and how to fix them.
#   cmake -DCLANG_FORMAT=<clang-format> -DROOT=<source tree> -P CheckFormat.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT CLANG_FORMAT)
  message(FATAL_ERROR "clang-format was not found when the build was configured: install it (./setup.sh test does) and configure again")
endif()
set(files "")
foreach(dir src tests tools bench fuzz)
  file(GLOB_RECURSE found RELATIVE "${ROOT}" "${ROOT}/${dir}/*.h" "${ROOT}/${dir}/*.cpp" "${ROOT}/${dir}/*.h.in")
  list(APPEND files ${found})
endforeach()
list(SORT files)
list(LENGTH files n)
if(n EQUAL 0)
  message(FATAL_ERROR "no source files found under ${ROOT}")
endif()
execute_process(COMMAND "${CLANG_FORMAT}" --dry-run --Werror ${files}
                WORKING_DIRECTORY "${ROOT}" RESULT_VARIABLE rc ERROR_VARIABLE out OUTPUT_VARIABLE out2)
if(NOT rc EQUAL 0)
  string(REGEX MATCHALL "[^\n]*: error: code should be clang-formatted" bad "${out}")
  set(names "")
  foreach(line IN LISTS bad)
    string(REGEX REPLACE ":[0-9]+:[0-9]+: error: code should be clang-formatted$" "" f "${line}")
    list(APPEND names "${f}")
  endforeach()
  list(REMOVE_DUPLICATES names)
  string(REPLACE ";" " " names "${names}")
  execute_process(COMMAND "${CLANG_FORMAT}" --version OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE)
  message("${out}")
  message(FATAL_ERROR "Not formatted as .clang-format says (${version}): ${names}\n"
          "Fix with: clang-format -i ${names}\n"
          "(a table that must keep its shape goes between // clang-format off and // clang-format on)")
endif()
message(STATUS "Formatting: ${n} files as .clang-format says")
