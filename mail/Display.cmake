# Outside text made fit to show.
kelvane_add_test(NAME mail_display_tests
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/DisplayTextTest.cpp
    LIBS kelvane_mail)
