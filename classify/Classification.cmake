# The classification pass, its reasons, the sender domain check and the known-spammer list.
target_sources(kelvane_classify PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/AffixIndex.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/DomainCheck.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/ExceptionTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/HeaderLineIndex.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/HeaderRuleTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/IndexedExceptionTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/IndexedRuleTests.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/KnownListText.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/KnownSpammers.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MessageTexts.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MultiPatternMatcher.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MXDomainChecker.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/ReasonLog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/RuleScanResult.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/RuleTestCache.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/RuleValueIndex.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/SenderRuleTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/SizeTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/SpamClassifier.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/SubjectRuleTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TextMatch.cpp)
target_link_libraries(kelvane_classify PUBLIC kelvane_dns kelvane_message)

kelvane_add_test(NAME classify_pass_tests
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/ClassificationFixture.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/DomainCheckTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/IndexedPassTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/KnownSpammersTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/MultiPatternMatcherTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/MXDomainCheckerTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/ReasonLogTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/SpamClassifierTest.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/StarterRulesTest.cpp
    LIBS kelvane_classify)
