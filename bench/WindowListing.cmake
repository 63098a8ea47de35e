# The main window listing a mailbox, on the offscreen platform; bench/window-listing.sh runs it
# next to kelvane-check.
if(KELVANE_GUI)
    find_package(Qt6 REQUIRED COMPONENTS Widgets)
    add_executable(WindowListingBench WindowListingBench.cpp)
    target_link_libraries(WindowListingBench PRIVATE kelvane_program kelvane_checking Qt6::Widgets)
endif()
