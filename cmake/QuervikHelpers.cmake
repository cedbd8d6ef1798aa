# Warnings for our own code; treated as errors.
set(QUERVIK_WARNINGS -Wall -Wextra -Wshadow -Wconversion -Werror)
if(QUERVIK_BUILD_FUZZ)
  # clang warns about other things than gcc; the fuzz build is not the place to stop for them.
  set(QUERVIK_WARNINGS -Wall -Wextra -Wshadow -Wconversion)
endif()
set(QUERVIK_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# quervik_core_part(NAME SOURCES a.cpp ... [DEPS other parts])
# The core is one static library per subsystem folder (quervik_model,
# quervik_section, ...), layered by DEPS; quervik_core links them all. Each
# part is built a second time with the sanitisers (quervik_NAME_san) for the
# sanitised test run.
function(quervik_core_part NAME)
  cmake_parse_arguments(P "" "" "SOURCES;DEPS" ${ARGN})
  set(deps "")
  set(deps_san "")
  foreach(d IN LISTS P_DEPS)
    list(APPEND deps quervik_${d})
    list(APPEND deps_san quervik_${d}_san)
  endforeach()
  add_library(quervik_${NAME} STATIC ${P_SOURCES})
  target_include_directories(quervik_${NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(quervik_${NAME} PRIVATE ${QUERVIK_WARNINGS})
  target_link_libraries(quervik_${NAME} PUBLIC ${deps} Threads::Threads)
  set_property(GLOBAL APPEND PROPERTY QUERVIK_CORE_PARTS ${NAME})
  if(QUERVIK_BUILD_TESTS AND QUERVIK_SANITIZE_TESTS)
    add_library(quervik_${NAME}_san STATIC ${P_SOURCES})
    target_include_directories(quervik_${NAME}_san PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(quervik_${NAME}_san PRIVATE ${QUERVIK_WARNINGS} ${QUERVIK_SANITIZER_FLAGS})
    target_link_options(quervik_${NAME}_san PUBLIC ${QUERVIK_SANITIZER_FLAGS})
    target_link_libraries(quervik_${NAME}_san PUBLIC ${deps_san} Threads::Threads)
  endif()
endfunction()

# quervik_add_unit_test(NAME name SOURCES a.cpp b.cpp [PARTS model section ...]
#                       [LIBS ...] [NO_SANITIZE])
# Builds a GoogleTest executable against the named core parts (default: the
# whole core) and registers it with ctest; unless NO_SANITIZE is given it is
# built a second time with AddressSanitizer and UndefinedBehaviorSanitizer as
# NAME_san.
function(quervik_add_unit_test)
  cmake_parse_arguments(T "NO_SANITIZE" "NAME" "SOURCES;LIBS;PARTS" ${ARGN})
  if(T_PARTS)
    set(core "")
    set(core_san "")
    foreach(p IN LISTS T_PARTS)
      list(APPEND core quervik_${p})
      list(APPEND core_san quervik_${p}_san)
    endforeach()
  else()
    set(core quervik_core)
    set(core_san quervik_core_san)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_compile_options(${T_NAME} PRIVATE ${QUERVIK_WARNINGS})
  target_link_libraries(${T_NAME} PRIVATE ${core} GTest::gtest GTest::gtest_main ${T_LIBS})
  target_compile_definitions(${T_NAME} PRIVATE QUERVIK_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(QUERVIK_SANITIZE_TESTS AND NOT T_NO_SANITIZE)
    add_executable(${T_NAME}_san ${T_SOURCES})
    target_compile_options(${T_NAME}_san PRIVATE ${QUERVIK_WARNINGS} ${QUERVIK_SANITIZER_FLAGS})
    target_link_options(${T_NAME}_san PRIVATE ${QUERVIK_SANITIZER_FLAGS})
    target_link_libraries(${T_NAME}_san PRIVATE ${core_san} GTest::gtest GTest::gtest_main ${T_LIBS})
    target_compile_definitions(${T_NAME}_san PRIVATE QUERVIK_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    add_test(NAME ${T_NAME}_san COMMAND ${T_NAME}_san)
    set_tests_properties(${T_NAME}_san PROPERTIES
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  endif()
endfunction()
