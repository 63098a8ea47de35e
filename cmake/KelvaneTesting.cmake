# kelvane_add_test(NAME name SOURCES ... LIBS ... [ENV VAR=value ...])
# Builds one GoogleTest executable and registers its cases with CTest.
#
# Test code is built for a quick build, not a quick run: it is compiled without optimisation and
# with line tables only, while the code under test keeps the build's own flags. Every test
# program shares one precompiled GoogleTest header.
set(KELVANE_TEST_CODE_OPTIONS -O0 -g1)

if(KELVANE_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)

    add_library(kelvane_test_headers STATIC ${PROJECT_SOURCE_DIR}/testsupport/TestHeaders.cpp)
    target_link_libraries(kelvane_test_headers PUBLIC GTest::gmock GTest::gtest)
    target_compile_options(kelvane_test_headers PRIVATE ${KELVANE_TEST_CODE_OPTIONS})
    target_precompile_headers(kelvane_test_headers PRIVATE
        <gmock/gmock.h> <gtest/gtest.h>
        <algorithm> <filesystem> <functional> <memory> <optional> <ostream> <string> <vector>)
endif()

function(kelvane_add_test)
    if(NOT KELVANE_TESTS)
        return()
    endif()
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/testsupport)
    target_compile_options(${T_NAME} PRIVATE ${KELVANE_TEST_CODE_OPTIONS})
    target_precompile_headers(${T_NAME} REUSE_FROM kelvane_test_headers)
    if(KELVANE_SANITIZE)
        kelvane_add_test_shards(${T_NAME} "${T_ENV}")
    else()
        gtest_discover_tests(${T_NAME}
            DISCOVERY_MODE PRE_TEST
            PROPERTIES ENVIRONMENT "${T_ENV}" TIMEOUT 120)
    endif()
endfunction()

# Under the sanitizers a process costs far more to start and to end (shadow memory, the leak
# check at exit) than most cases take, so there each test program runs whole, split into a few
# shards that run side by side. Every case still runs; the default build runs each on its own.
set(KELVANE_TEST_SHARDS 3)
function(kelvane_add_test_shards name environment)
    math(EXPR last "${KELVANE_TEST_SHARDS} - 1")
    foreach(shard RANGE ${last})
        set(shard_environment ${environment} GTEST_TOTAL_SHARDS=${KELVANE_TEST_SHARDS}
            GTEST_SHARD_INDEX=${shard})
        add_test(NAME ${name}/shard${shard} COMMAND ${name})
        set_tests_properties(${name}/shard${shard} PROPERTIES
            ENVIRONMENT "${shard_environment}" TIMEOUT 600)
    endforeach()
endfunction()
