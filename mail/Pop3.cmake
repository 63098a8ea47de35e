# The POP3 client: sessions, the remote message listing, retrieval and deletion.
target_sources(kelvane_mail PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/TmsMailBase.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TmsCustomPOP.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TmsCustomPOPPipeline.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/PopListing.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/HeaderCache.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TmsRemotePOP.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TmsRemotePOPListing.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TmsRemotePOPProcess.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TmsRemoteInfo.cpp)

kelvane_add_test(NAME mail_pop3_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/HeaderCacheTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/HostileServerTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/TmsCustomPOPTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/TmsRemotePOPTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/TmsRemotePOPProcessTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/TmsRemotePOPPipelineTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/TmsRemotePOPCacheTest.cpp
    LIBS kelvane_mail)
