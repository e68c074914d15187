#include "host/records/journal.h"

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
    if (limit_ != 0 && calls_.size() >= 2 * limit_) Trim();
}

void Journal::SetLimit(size_t calls) {
    limit_ = calls;
    Trim();
}

void Journal::Trim() const {
    if (limit_ == 0 || calls_.size() <= limit_) return;
    size_t surplus = calls_.size() - limit_;
    calls_.erase(calls_.begin(), calls_.begin() + static_cast<std::ptrdiff_t>(surplus));
    dropped_ += surplus;
}

size_t Journal::Dropped() const {
    Trim();
    return dropped_;
}

const std::vector<HostCall>& Journal::Calls() const {
    Trim();
    return calls_;
}

std::vector<HostCall> Journal::Of(std::string_view function) const {
    Trim();
    std::vector<HostCall> found;
    for (const HostCall& call : calls_) {
        if (call.function == function) found.push_back(call);
    }
    return found;
}

size_t Journal::Count(std::string_view function) const {
    Trim();
    return static_cast<size_t>(std::count_if(calls_.begin(), calls_.end(), [&](const HostCall& c) {
        return c.function == function;
    }));
}

std::string Journal::Text() const {
    Trim();
    std::string text;
    for (const HostCall& call : calls_) text += call.Text() + "\n";
    return text;
}

Journal& TheJournal() {
    static Journal journal;
    return journal;
}

}  // namespace host
