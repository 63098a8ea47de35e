# Header lines, sender addresses and Date: values.
target_sources(kelvane_mail PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/MailHeaders.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MailAddress.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MailDate.cpp)

kelvane_add_test(NAME mail_header_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/MailHeadersTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/MailAddressTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/MailDateTest.cpp
    LIBS kelvane_mail)
