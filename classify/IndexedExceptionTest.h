#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ExceptionTest.h"
#include "HeaderLineIndex.h"
#include "RuleValueIndex.h"

namespace kelvane {

// The exception rules with their values indexed, as IndexedSubjectTest is for the subject rules:
// Run gives what the test's Run gives, testing only the rules the indexes name. A field is read
// (and its encoded words decoded) when the pass reaches the first rule that names it, as the
// test's own Run does. Refers to `test`, which must outlive it.
class IndexedExceptionTest {
  public:
    IndexedExceptionTest(const ExceptionTest& test, const HeaderLineIndex& lines);
    std::optional<int> Run(MessageTexts& message, RuleTable& table, ReasonLog& log) const;

  private:
    // The rules that test one named field.
    struct Field {
        std::string name;
        int first;  // the position of its first rule
        RuleValueIndex index;
    };

    RuleValueIndex& FieldIndex(const std::string& name, int position);

    const ExceptionTest& test_;
    const HeaderLineIndex& lines_;  // holds the "Any Header" rules
    RuleValueIndex sender_;
    RuleValueIndex subject_;
    std::vector<Field> fields_;  // by first position
    std::unordered_map<std::string, size_t> fieldNumbers_;
};

}  // namespace kelvane
