#include "host/journal.h"

#include <algorithm>

namespace host {

std::string HostCall::Text() const {
    std::string text = function + "(";
    for (size_t i = 0; i < args.size(); ++i) text += (i == 0 ? "" : ", ") + args[i];
    return text + ")";
}

void Journal::Record(std::string function, CallArgs args) {
    if (!recording_) return;
    calls_.push_back(HostCall{std::move(function), std::move(args)});
}

std::vector<HostCall> Journal::Of(std::string_view function) const {
    std::vector<HostCall> found;
    for (const HostCall& call : calls_) {
        if (call.function == function) found.push_back(call);
    }
    return found;
}

size_t Journal::Count(std::string_view function) const {
    return static_cast<size_t>(std::count_if(calls_.begin(), calls_.end(), [&](const HostCall& c) {
        return c.function == function;
    }));
}

std::string Journal::Text() const {
    std::string text;
    for (const HostCall& call : calls_) text += call.Text() + "\n";
    return text;
}

Journal& TheJournal() {
    static Journal journal;
    return journal;
}

}  // namespace host
