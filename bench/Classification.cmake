# The classification pass over a large mailbox and the known-spammer list's loading and search.
kelvane_add_benchmark(ClassificationBench ClassificationBench.cpp)
target_link_libraries(ClassificationBench PRIVATE kelvane_classify)
