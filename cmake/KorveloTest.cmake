# korvelo_add_test(<name> SOURCES <files...> [LIBS <targets...>] [GUI] [TIMEOUT <seconds>] [LABELS <labels...>])
#
# One test executable, registered with ctest under its own name. GUI tests run on the
# offscreen platform plugin so they need no display.
function(korvelo_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${name} ${T_SOURCES})
  korvelo_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  # Quoted: the escaped ";" between the directories of WINEPATH must stay escaped.
  set(env "${KORVELO_TEST_ENVIRONMENT}")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}" ENVIRONMENT "${env}")
endfunction()
