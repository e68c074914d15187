// Option arrays built by the stand-in host from typed values, for events and widget
// events. Values live as long as the list; the array stays valid until the list changes.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "abi/abi.h"

namespace host {

class OptionList {
public:
    OptionList& Int(const char* name, int32_t value);
    OptionList& Bool(const char* name, bool value);
    OptionList& Double(const char* name, double value);
    // A narrow string (a keyword or file name), passed as the value pointer itself.
    OptionList& Text(const char* name, const std::string& value);
    // A UTF-16 string, passed as the value pointer itself.
    OptionList& Wide(const char* name, const platform::WideString& value);
    // A handle or any other pointer, passed as the value pointer itself.
    OptionList& Pointer(const char* name, void* value);
    // An entry whose value pointer is null.
    OptionList& Null(const char* name);

    // The array, terminated by a null entry.
    MQOption* Array();
    // The 32-bit integer behind the first entry named `name` (an out-value after a call);
    // null when there is none or it is not an integer of this list.
    int32_t* IntOf(const char* name);

private:
    struct Value {
        int32_t integer = 0;
        unsigned char boolean = 0;
        double real = 0;
        std::string text;
        platform::WideString wide;
    };
    OptionList& Add(const char* name, void* value);
    Value& NewValue();

    std::deque<std::string> names_;
    std::deque<Value> values_;
    std::vector<MQOption> entries_;  // always ends with the null entry once built
    std::vector<int32_t*> integers_;  // parallel to entries_: the integer behind each, or null
};

}  // namespace host
