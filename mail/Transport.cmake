# The socket transport under the POP3 client, and the scripted fake server's self-checks.
target_sources(kelvane_mail PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/TimeCounter.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/HostResolver.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/DataBlockScanner.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TlsCertificate.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TlsSession.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TlsTrust.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TagSocket.cpp)
# getaddrinfo_a, for a host-name lookup that the caller can wait for in slices and abandon;
# OpenSSL 3 for TLS.
# The settings library gives the one reading of a pinned fingerprint.
target_link_libraries(kelvane_mail PUBLIC anl OpenSSL::SSL OpenSSL::Crypto kelvane_settings)

kelvane_add_test(NAME mail_transport_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/DataBlockScannerTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/ScriptedServerTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/TagSocketTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/TlsSetupTest.cpp
    LIBS kelvane_mail)
