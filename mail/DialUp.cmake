# The dial-up link: pppd peers dialled with pon and hung up with poff before and after a session.
target_sources(kelvane_mail PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/RasTexts.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/PeerFolder.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/PeerCommands.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/PppLink.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TagRas.cpp)

kelvane_add_test(NAME mail_dialup_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/TagRasTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/PeerCommandsTest.cpp
    LIBS kelvane_mail)
