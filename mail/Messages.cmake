# Whole message files: line reading, header parameters, uudecoding and the message decoder.
target_sources(kelvane_mail PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/LineStream.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/HeaderParameters.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/UUDecode.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MailMessage.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MessageDecoder.cpp)

kelvane_add_test(NAME mail_message_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/LineStreamTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/HeaderParametersTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/UUDecodeTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/MailMessageTest.cpp
    LIBS kelvane_mail)
if(TARGET mail_message_tests)
    target_compile_definitions(mail_message_tests PRIVATE
        KELVANE_MAIL_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
endif()
