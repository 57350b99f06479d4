# Project-wide helpers: warnings, tests and modules in a few lines each.

function(quillet_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
    $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor -Wcast-align -Wunused
    -Woverloaded-virtual
    -Wno-missing-field-initializers)
  if(QUILLET_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Registers a built test with CTest. Every test gets its own settings store, so no test touches
# the user's; QUILLET_BUILD_DIR lets it find the demo data and write screenshots.
function(quillet_register_test name labels fixtures)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  quillet_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUILLET_REGISTRY=${CMAKE_BINARY_DIR}/test-stores/${name}.db;QUILLET_BUILD_DIR=${CMAKE_BINARY_DIR};QUILLET_SOURCE_DIR=${CMAKE_SOURCE_DIR};QUILLET_TEST_DATA=${CMAKE_BINARY_DIR}/testdata"
    TIMEOUT 600)
  if(labels)
    set_tests_properties(${name} PROPERTIES LABELS "${labels}")
  endif()
  if(fixtures)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${fixtures}")
  endif()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-stores ${CMAKE_BINARY_DIR}/screenshots)
endfunction()

# quillet_add_test(name SOURCES a.cpp b.cpp [LIBS extra] [LABELS l] [FIXTURES f])
# A GoogleTest executable linked against the core.
function(quillet_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;FIXTURES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE quillet_core GTest::gtest_main ${T_LIBS})
  quillet_register_test(${name} "${T_LABELS}" "${T_FIXTURES}")
endfunction()

# quillet_add_module(name SOURCES ... [SUFFIX .blob]) - a shared object loaded at run time,
# placed beside the executable (or in plugins/ for viewer modules).
function(quillet_add_module name)
  cmake_parse_arguments(M "" "SUFFIX;OUTPUT_DIR" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${M_SOURCES})
  target_link_libraries(${name} PRIVATE ${M_LIBS})
  set_target_properties(${name} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(M_SUFFIX)
    set_target_properties(${name} PROPERTIES SUFFIX ${M_SUFFIX})
  endif()
  if(M_OUTPUT_DIR)
    set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${M_OUTPUT_DIR})
  else()
    set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endif()
  quillet_warnings(${name})
endfunction()

# quillet_add_ui_test(name SOURCES a.cpp b.cpp [LIBS extra] [LABELS l] [FIXTURES f])
# A QtTest executable linked against the UI, run offscreen.
function(quillet_add_ui_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;FIXTURES" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE quillet_ui Qt6::Test ${T_LIBS})
  quillet_register_test(${name} "${T_LABELS}" "${T_FIXTURES}")
endfunction()
