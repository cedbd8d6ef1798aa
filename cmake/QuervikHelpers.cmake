# Warnings for our own code; errors with QUERVIK_WERROR (on in CI).
set(QUERVIK_WARNINGS -Wall -Wextra -Wshadow -Wconversion)
if(QUERVIK_WERROR)
  list(APPEND QUERVIK_WARNINGS -Werror)
endif()

# The environment of every test under a sanitizer: stop at the first report.
set(QUERVIK_SANITIZER_ENV
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1")

# quervik_core_part(NAME SOURCES a.cpp ... [DEPS other parts])
# The core is one static library per subsystem folder (quervik_model,
# quervik_section, ...), layered by DEPS; quervik_core links them all.
function(quervik_core_part NAME)
  cmake_parse_arguments(P "" "" "SOURCES;DEPS" ${ARGN})
  set(deps "")
  foreach(d IN LISTS P_DEPS)
    list(APPEND deps quervik_${d})
  endforeach()
  add_library(quervik_${NAME} STATIC ${P_SOURCES})
  target_include_directories(quervik_${NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(quervik_${NAME} PRIVATE ${QUERVIK_WARNINGS})
  target_link_libraries(quervik_${NAME} PUBLIC ${deps} Threads::Threads)
  set_property(GLOBAL APPEND PROPERTY QUERVIK_CORE_PARTS ${NAME})
endfunction()

# quervik_test_properties(TEST [LABELS ...])
# What every test of ours gets: its labels, and the sanitizer settings when
# the build is sanitized.
function(quervik_test_properties TEST)
  cmake_parse_arguments(T "" "" "LABELS" ${ARGN})
  if(T_LABELS)
    set_property(TEST ${TEST} APPEND PROPERTY LABELS ${T_LABELS})
  endif()
  if(QUERVIK_SANITIZER)
    set_property(TEST ${TEST} APPEND PROPERTY ENVIRONMENT ${QUERVIK_SANITIZER_ENV})
  endif()
endfunction()

# quervik_add_unit_test(NAME name SOURCES a.cpp b.cpp [PARTS model section ...]
#                       [LIBS ...] [LABELS ...])
# Builds a GoogleTest executable against the named core parts (default: the
# whole core) and registers it with ctest. Label "threads" marks the tests
# that run work on several threads (run again under ThreadSanitizer).
function(quervik_add_unit_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;PARTS;LABELS" ${ARGN})
  if(T_PARTS)
    set(core "")
    foreach(p IN LISTS T_PARTS)
      list(APPEND core quervik_${p})
    endforeach()
  else()
    set(core quervik_core)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_compile_options(${T_NAME} PRIVATE ${QUERVIK_WARNINGS})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE ${core} GTest::gtest GTest::gtest_main ${T_LIBS})
  target_compile_definitions(${T_NAME} PRIVATE QUERVIK_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  quervik_test_properties(${T_NAME} LABELS unit ${T_LABELS})
endfunction()
