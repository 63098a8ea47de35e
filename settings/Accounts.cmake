# The general options, the mailbox accounts and the password cipher.
target_sources(kelvane_settings PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/GeneralSettings.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MailboxAccounts.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MailboxSecurity.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/PasswordCipher.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/RemotePOPSettings.cpp)

kelvane_add_test(NAME settings_account_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/GeneralSettingsTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/MailboxAccountsTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/MailboxSecurityTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/PasswordCipherTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/RemotePOPSettingsTest.cpp
    LIBS kelvane_settings)
