#include "host/drive/option_list.h"

#include <cstring>

namespace host {

OptionList::Value& OptionList::NewValue() { return values_.emplace_back(); }

OptionList& OptionList::Add(const char* name, void* value) {
    const std::string& stored = names_.emplace_back(name);
    if (entries_.empty()) entries_.push_back(MQOption{nullptr, nullptr});
    entries_.insert(entries_.end() - 1, MQOption{stored.c_str(), value});
    integers_.push_back(nullptr);
    return *this;
}

OptionList& OptionList::Int(const char* name, int32_t value) {
    Value& v = NewValue();
    v.integer = value;
    Add(name, &v.integer);
    integers_.back() = &v.integer;
    return *this;
}

OptionList& OptionList::Bool(const char* name, bool value) {
    Value& v = NewValue();
    v.boolean = value ? 1 : 0;
    return Add(name, &v.boolean);
}

OptionList& OptionList::Double(const char* name, double value) {
    Value& v = NewValue();
    v.real = value;
    return Add(name, &v.real);
}

OptionList& OptionList::Text(const char* name, const std::string& value) {
    Value& v = NewValue();
    v.text = value;
    return Add(name, v.text.data());
}

OptionList& OptionList::Wide(const char* name, const platform::WideString& value) {
    Value& v = NewValue();
    v.wide = value;
    return Add(name, v.wide.data());
}

OptionList& OptionList::Pointer(const char* name, void* value) { return Add(name, value); }

OptionList& OptionList::Null(const char* name) { return Add(name, nullptr); }

MQOption* OptionList::Array() {
    if (entries_.empty()) entries_.push_back(MQOption{nullptr, nullptr});
    return entries_.data();
}

int32_t* OptionList::IntOf(const char* name) {
    for (size_t i = 0; i < integers_.size(); ++i) {
        if (std::strcmp(entries_[i].name, name) == 0) return integers_[i];
    }
    return nullptr;
}

}  // namespace host
