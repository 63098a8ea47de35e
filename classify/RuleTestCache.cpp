#include "RuleTestCache.h"

#include "SpamSettings.h"

namespace kelvane {
namespace {

constexpr RuleTableKind kKinds[] = {RuleTableKind::Exceptions, RuleTableKind::Subject,
                                    RuleTableKind::Sender, RuleTableKind::Header};

}  // namespace

RuleTests::RuleTests(const SpamSettings& settings)
    : exceptions(settings.table(RuleTableKind::Exceptions)),
      subjects(settings.table(RuleTableKind::Subject)),
      senders(settings.table(RuleTableKind::Sender)),
      headers(settings.table(RuleTableKind::Header)) {}

RuleTestCache::Stamps RuleTestCache::StampsOf(const SpamSettings& settings) {
    Stamps stamps{};
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        stamps[i] = settings.table(kKinds[i]).ruleStamp();
    }
    return stamps;
}

const RuleTests& RuleTestCache::Current(const SpamSettings& settings) {
    const Stamps now = StampsOf(settings);
    if (tests_ && now == stamps_) return *tests_;
    tests_ = std::make_unique<RuleTests>(settings);
    stamps_ = now;
    return *tests_;
}

}  // namespace kelvane
