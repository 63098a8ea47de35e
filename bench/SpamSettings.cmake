# The spam settings window over 20,000 rules per table, on the offscreen platform.
if(KELVANE_GUI)
    kelvane_add_benchmark(SpamSettingsBench SpamSettingsBench.cpp)
    target_link_libraries(SpamSettingsBench PRIVATE kelvane_ui_spamsettings)
    target_include_directories(SpamSettingsBench PRIVATE ${PROJECT_SOURCE_DIR}/testsupport)
endif()
