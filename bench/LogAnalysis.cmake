# The statistics over an activity log of one million records: reading it and counting it all.
kelvane_add_benchmark(LogAnalysisBench LogAnalysisBench.cpp)
target_link_libraries(LogAnalysisBench PRIVATE kelvane_stats)
target_include_directories(LogAnalysisBench PRIVATE ${PROJECT_SOURCE_DIR}/testsupport)
