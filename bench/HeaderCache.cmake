# The POP3 client's header cache of a 5,000-message mailbox: its loading and saving.
kelvane_add_benchmark(HeaderCacheBench HeaderCacheBench.cpp)
target_link_libraries(HeaderCacheBench PRIVATE kelvane_pop3)
target_include_directories(HeaderCacheBench PRIVATE ${PROJECT_SOURCE_DIR}/testsupport)
