#include "host/records/breaches.h"

#include <algorithm>

namespace host {

std::string Breach::Text() const { return call + ": " + detail + " [" + rule_id + "]"; }

std::string Breach::IdAndCall() const { return rule_id + " " + call; }

void Breaches::Report(std::string rule_id, std::string call, std::string detail) {
    breaches_.push_back(Breach{std::move(rule_id), std::move(call), std::move(detail)});
    if (echo_ != nullptr) std::fprintf(echo_, "pellucid-host: %s\n", breaches_.back().Text().c_str());
}

size_t Breaches::Count(const std::string& rule_id) const {
    return static_cast<size_t>(std::count_if(breaches_.begin(), breaches_.end(),
                                             [&](const Breach& breach) { return breach.rule_id == rule_id; }));
}

std::string Breaches::Text() const {
    std::string text;
    for (const Breach& breach : breaches_) text += breach.Text() + "\n";
    return text;
}

std::vector<Breach> Breaches::Take() {
    std::vector<Breach> taken;
    taken.swap(breaches_);
    return taken;
}

std::string Breaches::TakeIdsAndCalls() {
    std::string text;
    for (const Breach& breach : Take()) text += breach.IdAndCall() + "\n";
    return text;
}

Breaches& TheBreaches() {
    static Breaches breaches;
    return breaches;
}

}  // namespace host
