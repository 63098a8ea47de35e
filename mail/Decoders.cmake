# Decoders of encoded header and body text: charsets, base64, quoted-printable, encoded words.
target_sources(kelvane_mail PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/Base64.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/Charset.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/EncodedWords.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/QuotedPrintable.cpp)

kelvane_add_test(NAME mail_decoder_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/Base64Test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/CharsetTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/EncodedWordsTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/QuotedPrintableTest.cpp
    LIBS kelvane_mail)
