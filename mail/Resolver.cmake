# The DNS MX resolver: its messages, its default server and its tests against crafted answers
# and a private dnsmasq (those skip where dnsmasq cannot run).
target_sources(kelvane_mail PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/DnsMessage.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/DnsServerAddress.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TmsMXResolver.cpp)

kelvane_add_test(NAME mail_resolver_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/DnsMessageTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/DnsServerAddressTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/TmsMXResolverTest.cpp
    LIBS kelvane_mail)
