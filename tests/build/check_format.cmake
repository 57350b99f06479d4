# Every C++ file of the tree is formatted with the committed .clang-format.
find_program(CLANG_FORMAT clang-format)
if(NOT CLANG_FORMAT)
  message(STATUS "clang-format not found; skipping")
  return()
endif()
file(GLOB_RECURSE files ${ROOT}/src/*.h ${ROOT}/src/*.cpp ${ROOT}/tests/*.h ${ROOT}/tests/*.cpp
     ${ROOT}/bench/*.h ${ROOT}/bench/*.cpp ${ROOT}/modules/*.h ${ROOT}/modules/*.cpp
     ${ROOT}/tools/*.h ${ROOT}/tools/*.cpp)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${files}
                WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "Files are not formatted (run 'make format'):\n${err}")
endif()
