# The POP3 client against a private Dovecot that the tests start themselves (they skip where
# that cannot run: not root, or no dovecot-core and dovecot-pop3d).
kelvane_add_test(NAME mail_dovecot_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/DovecotPop3Test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/DovecotPipelineTest.cpp
    LIBS kelvane_mail)

# The POP3 client over TLS against a private Dovecot with certificates the test makes itself,
# and against the scripted server for the STLS reply's injected text and a cancelled handshake.
kelvane_add_test(NAME mail_dovecot_tls_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/DovecotTlsTest.cpp
    LIBS kelvane_mail OpenSSL::SSL OpenSSL::Crypto)
