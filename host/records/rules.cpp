#include "host/records/rules.h"

namespace host {
namespace {

constexpr RuleInfo kRules[] = {
#define PELLUCID_RULE_INFO(name, id, forgiven, forbids) {Rule::name, id, forgiven, forbids},
    PELLUCID_HOST_RULES(PELLUCID_RULE_INFO)
#undef PELLUCID_RULE_INFO
};

// The table is in the order of the enumeration, so that a rule is its own index.
constexpr bool InEnumerationOrder() {
    for (size_t i = 0; i < std::size(kRules); ++i) {
        if (static_cast<size_t>(kRules[i].rule) != i) return false;
    }
    return true;
}
static_assert(InEnumerationOrder());

}  // namespace

std::span<const RuleInfo> AllRules() { return kRules; }

const RuleInfo& InfoOf(Rule rule) { return kRules[static_cast<size_t>(rule)]; }

const RuleInfo* FindRule(std::string_view id) {
    for (const RuleInfo& rule : kRules) {
        if (id == rule.id) return &rule;
    }
    return nullptr;
}

}  // namespace host
