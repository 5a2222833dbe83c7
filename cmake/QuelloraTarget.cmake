# Warnings are errors in our own code; third-party headers come in as system headers.
function(quellora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  # GCC 12 reports false -Wrestrict overlaps inside std::string's own operator+ at -O2/-O3
  # (GCC bug 105329, fixed in GCC 13); the warning stays on for every other compiler.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  # The sanitizers' instrumentation makes GCC's -Wmaybe-uninitialized report false positives
  # inside the standard library (std::function in <regex>); the Release build keeps the check.
  if(QUELLORA_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
  endif()
endfunction()

# A library made of every .cpp file in the calling folder; one per subsystem.
function(quellora_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(NOT sources)
    # A subsystem with headers only so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  quellora_warnings(${name})
endfunction()

include(GoogleTest)

# Writes the ctest script that gives one group of discovered test cases its labels and
# environment. The cases are known only when ctest lists them, and a list-valued property cannot
# pass through gtest_discover_tests' PROPERTIES, so the script runs after the discovery script
# and sets the properties on the group's list of names.
function(quellora_test_group_properties target group labels)
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_${group}_properties.cmake")
  set(environment
    "QUELLORA_BIN_DIR=${PROJECT_BINARY_DIR}/bin;QUELLORA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  file(WRITE "${script}"
    "if(${target}_${group}_TESTS)\n"
    "  set_tests_properties(\${${target}_${group}_TESTS} PROPERTIES\n"
    "    LABELS [==[${labels}]==]\n"
    "    ENVIRONMENT [==[${environment}]==])\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()

# Registers one group of a suite's cases (those the GoogleTest filter selects) as ctest tests.
# Discovery runs when ctest starts (PRE_TEST), not as a build step, so a slow listing under the
# sanitizers cannot fail the build; it may take DISCOVERY_TIMEOUT seconds. Parameterized cases
# keep GoogleTest's own names ("Cases/Table.Reads/3"): the printed parameter values would be
# long, could repeat, and could hold addresses that change from run to run.
function(quellora_discover_group target group filter timeout labels)
  gtest_discover_tests(${target}
    NO_PRETTY_VALUES
    NO_PRETTY_TYPES
    TEST_FILTER "${filter}"
    TEST_LIST ${target}_${group}_TESTS
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT ${timeout})
  quellora_test_group_properties(${target} ${group} "${labels}")
endfunction()

# A GoogleTest executable made of every *_test.cpp file in the calling folder. Each test case
# is its own ctest test (named "Suite.Case"), so a hung case fails alone after its own time
# limit and the rest of the suite still runs.
#   LABELS        ctest labels of every case; the executable's name is added as a label too.
#   TIMEOUT       seconds each case may run (default 60).
#   NET           GoogleTest filter ("A.*:*B.*") of the cases that open sockets in a suite whose
#                 other cases do not: they get the label "net" and NET_TIMEOUT (default 120).
#   LONG          GoogleTest filter of cases that need LONG_TIMEOUT seconds; LONG_NET the same
#                 for such cases that also open sockets.
# Every case runs with QUELLORA_BIN_DIR (the built programs) and QUELLORA_SOURCE_DIR set.
function(quellora_test_suite name)
  cmake_parse_arguments(ARG "" "TIMEOUT;NET;NET_TIMEOUT;LONG;LONG_NET;LONG_TIMEOUT"
    "DEPS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  quellora_warnings(${name})

  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 60)
  endif()
  if(NOT ARG_NET_TIMEOUT)
    set(ARG_NET_TIMEOUT 120)
  endif()
  if((ARG_LONG OR ARG_LONG_NET) AND NOT ARG_LONG_TIMEOUT)
    message(FATAL_ERROR "quellora_test_suite(${name}): LONG and LONG_NET need LONG_TIMEOUT")
  endif()
  set(labels ${ARG_LABELS} ${name})
  set(netLabels ${labels} net)
  list(REMOVE_DUPLICATES netLabels)

  # Groups in order; each takes the cases its filter selects that no earlier group took.
  set(taken)
  foreach(group long_net long net main)
    if(group STREQUAL "long_net")
      set(selected "${ARG_LONG_NET}")
      set(timeout ${ARG_LONG_TIMEOUT})
      set(groupLabels "${netLabels}")
    elseif(group STREQUAL "long")
      set(selected "${ARG_LONG}")
      set(timeout ${ARG_LONG_TIMEOUT})
      set(groupLabels "${labels}")
    elseif(group STREQUAL "net")
      set(selected "${ARG_NET}")
      set(timeout ${ARG_NET_TIMEOUT})
      set(groupLabels "${netLabels}")
    else()
      set(selected "*")
      set(timeout ${ARG_TIMEOUT})
      set(groupLabels "${labels}")
    endif()
    if(NOT selected)
      continue()
    endif()
    set(filter "${selected}")
    if(taken)
      string(JOIN ":" negative ${taken})
      string(APPEND filter "-${negative}")
    endif()
    quellora_discover_group(${name} ${group} "${filter}" ${timeout} "${groupLabels}")
    list(APPEND taken ${selected})
  endforeach()
endfunction()
