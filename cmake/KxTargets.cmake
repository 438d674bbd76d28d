# Helpers that keep the per-folder CMake lists short.
include(GoogleTest)

# kx_library(<name> SOURCES <files...> [DEPENDS <libs...>] [PRIVATE_DEPENDS <libs...>])
# One static library of the framework, named in the CMakeLists.txt beside its sources. A library whose
# sources lie in several folders is named in each folder's list; every call adds its sources and
# dependencies. Headers are included by their path from the repository root ("KXFramework/...",
# "Panel/...").
function(kx_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  if(TARGET ${name})
    target_sources(${name} PRIVATE ${ARG_SOURCES})
  else()
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  endif()
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
endfunction()

# kx_test(<name> LIBS <libs...> SOURCES <files...> [LABELS <labels...>] [SLOW <Suite.Case>...])
# One GoogleTest executable, its cases registered with CTest. An executable whose sources lie in
# several test folders is named in each folder's list, as a library is: the first call makes it, every
# call adds its sources and libraries; give each call the same LABELS. The cases listed under SLOW
# wait in real time (time-outs and retries at their real length); they get the label `slow` as well,
# so that `ctest -LE slow` gives a quick run. Every source is compiled with tests/support/TestPrinters.h
# first, so that a failed check prints the framework's strings and enumerations readably.
function(kx_test name)
  cmake_parse_arguments(ARG "" "" "LIBS;SOURCES;LABELS;SLOW" ${ARGN})
  if(KX_FUZZ)
    return()
  endif()
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  if(TARGET ${name})
    target_sources(${name} PRIVATE ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  else()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} kx_test_support GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_options(${name} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/support/TestPrinters.h)
    gtest_discover_tests(${name} PROPERTIES LABELS "${ARG_LABELS}" DISCOVERY_TIMEOUT 60)
  endif()
  if(ARG_SLOW)
    # Read by CTest after the discovered cases, so the names exist; a name that does not is an error.
    set(slow_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_slow.cmake)
    list(JOIN ARG_SLOW " " slow)
    file(WRITE ${slow_file} "set_tests_properties(${slow} PROPERTIES LABELS \"${ARG_LABELS};slow\")\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${slow_file})
  endif()
endfunction()

# kx_fuzz(<name> LIBS <libs...> SOURCES <files...>)
# A libFuzzer target in a fuzz build; otherwise the same entry point driven by its committed
# corpus (tests/fuzz/corpus/<name>/) and a fixed set of generated inputs, registered as a test
# so every build runs it.
function(kx_fuzz name)
  cmake_parse_arguments(ARG "" "" "LIBS;SOURCES" ${ARGN})
  if(KX_FUZZ)
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  else()
    add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/ReplayDriver.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name} ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
    set_tests_properties(${name} PROPERTIES LABELS "unit;fuzz")
  endif()
endfunction()
