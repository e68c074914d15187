#include "host/records/journal.h"

#include <algorithm>

namespace host {

std::string HostCall::Text() const {
    std::string text = function + "(";
    for (size_t i = 0; i < args.size(); ++i) text += (i == 0 ? "" : ", ") + args[i];
    return text + ")";
}

std::string CallValue::Text() const {
    switch (kind_) {
    case kHandle: return PointerText(reinterpret_cast<const void*>(static_cast<uintptr_t>(bits_)));
    case kSigned: return std::to_string(static_cast<int64_t>(bits_));
    case kUnsigned: return std::to_string(bits_);
    }
    return {};
}

void Journal::Record(std::string function, CallArgs args) {
    if (!recording_) return;
    calls_.push_back(HostCall{std::move(function), std::move(args)});
    if (limit_ != 0 && calls_.size() >= 2 * limit_) Trim();
}

void Journal::AddPending(const char* function, std::array<CallValue, kMaxValues> values, size_t count) {
    pending_.push_back(Pending{calls_.size(), function, values, count});
    calls_.emplace_back();
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
    auto kept = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.at >= surplus; });
    pending_.erase(pending_.begin(), kept);
    for (Pending& pending : pending_) pending.at -= surplus;
}

void Journal::Settle() const {
    Trim();
    for (const Pending& pending : pending_) {
        HostCall& call = calls_[pending.at];
        call.function = pending.function;
        for (size_t i = 0; i < pending.count; ++i) call.args.push_back(pending.values[i].Text());
    }
    pending_.clear();
}

size_t Journal::Dropped() const {
    Trim();
    return dropped_;
}

const std::vector<HostCall>& Journal::Calls() const {
    Settle();
    return calls_;
}

std::vector<HostCall> Journal::Of(std::string_view function) const {
    Settle();
    std::vector<HostCall> found;
    for (const HostCall& call : calls_) {
        if (call.function == function) found.push_back(call);
    }
    return found;
}

size_t Journal::Count(std::string_view function) const {
    Settle();
    return static_cast<size_t>(std::count_if(calls_.begin(), calls_.end(), [&](const HostCall& c) {
        return c.function == function;
    }));
}

std::string Journal::Text() const {
    Settle();
    std::string text;
    for (const HostCall& call : calls_) text += call.Text() + "\n";
    return text;
}

Journal& TheJournal() {
    static Journal journal;
    return journal;
}

}  // namespace host
