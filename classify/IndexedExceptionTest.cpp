#include "IndexedExceptionTest.h"

namespace kelvane {

IndexedExceptionTest::IndexedExceptionTest(const ExceptionTest& test, const HeaderLineIndex& lines)
    : test_(test), lines_(lines) {
    using Kind = ExceptionTest::Kind;
    for (size_t i = 0; i < test.rules().size(); ++i) {
        const ExceptionTest::Rule& rule = test.rules()[i];
        const int position = static_cast<int>(i);
        switch (rule.kind) {
            case Kind::Domain:
            case Kind::Address:
                sender_.Add(position, rule.match);
                break;
            case Kind::Subject:
                subject_.Add(position, rule.match);
                break;
            case Kind::AnyHeader:
                break;
            case Kind::Field:
                FieldIndex(rule.kindText, position).Add(position, rule.match);
                break;
        }
    }
    sender_.Build();
    subject_.Build();
    for (Field& field : fields_) field.index.Build();
}

RuleValueIndex& IndexedExceptionTest::FieldIndex(const std::string& name, int position) {
    const auto [number, added] = fieldNumbers_.try_emplace(name, fields_.size());
    if (added) fields_.push_back(Field{name, position, {}});
    return fields_[number->second].index;
}

std::optional<int> IndexedExceptionTest::Run(MessageTexts& message, RuleTable& table,
                                             ReasonLog& log) const {
    CandidateRows candidates;
    if (!sender_.empty()) sender_.Collect(message.sender().folded, candidates);
    if (!subject_.empty()) subject_.Collect(message.subject().folded, candidates);
    if (lines_.HasAnyHeaderRules()) lines_.CollectAnyHeaderRules(message, candidates);
    auto field = fields_.begin();
    for (;;) {
        const int next = candidates.Peek();
        // A field's rules all come at or after its first one, so reading it there keeps the
        // order.
        if (field != fields_.end() && (next < 0 || field->first <= next)) {
            field->index.Collect(message.field(field->name).folded, candidates);
            ++field;
            continue;
        }
        if (next < 0) return std::nullopt;
        candidates.Next();
        const std::optional<int> picture =
            test_.TestRule(static_cast<size_t>(next), message, table, log);
        if (picture) return picture;
    }
}

}  // namespace kelvane
