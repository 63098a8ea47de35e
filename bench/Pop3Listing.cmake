# One check of a 2,000-message mailbox served by a private Dovecot (needs root);
# bench/pop3-listing.sh runs it next to a plain client.
kelvane_add_benchmark(Pop3ListingBench Pop3ListingBench.cpp)
target_link_libraries(Pop3ListingBench PRIVATE kelvane_pop3)
target_include_directories(Pop3ListingBench PRIVATE ${PROJECT_SOURCE_DIR}/testsupport)
# --tls makes a test authority and certificate with OpenSSL for the TLS listing.
target_link_libraries(Pop3ListingBench PRIVATE OpenSSL::SSL OpenSSL::Crypto)
