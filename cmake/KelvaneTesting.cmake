# kelvane_add_test(NAME name SOURCES ... LIBS ... [ENV VAR=value ...])
# Builds one GoogleTest executable and registers its cases with CTest.
if(KELVANE_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()

function(kelvane_add_test)
    if(NOT KELVANE_TESTS)
        return()
    endif()
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/testsupport)
    gtest_discover_tests(${T_NAME}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "${T_ENV}" TIMEOUT 120)
endfunction()
