// MQ_SendMessage: messages from the plug-in to the host.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/journal.h"
#include "host/settings.h"
#include "platform/export.h"
#include "abi/abi.h"

namespace {

std::string Hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// Message 505: the data is an option array; the host puts its element handles into the
// entries "root" and "pluginsettings" whose value pointers are null, and leaves every
// entry as it is when it offers no settings.
void HandOutSettings(MQOption* options) {
    if (options == nullptr || !host::SettingsOffered()) return;
    for (MQOption* option = options; option->name != nullptr; ++option) {
        if (option->value != nullptr) continue;
        if (std::strcmp(option->name, "root") == 0) {
            option->value = &host::SettingsRoot();
        } else if (std::strcmp(option->name, "pluginsettings") == 0) {
            option->value = &host::PluginSettings();
        }
    }
}

}  // namespace

// `message` points to the 24-byte message record: the sender's product and plug-in IDs,
// a 32-bit zero and the data pointer, whose form the code fixes. The journal shows the
// code and the sender's IDs, and for message 100 the flag the data points to ("null"
// when there is none), which is what the message says. The result is always 0 and means
// nothing.
extern "C" MQ_EXPORT int32_t MQ_SendMessage(int32_t code, void* message) {
    auto* info = static_cast<MQSendMessageInfo*>(message);
    if (info == nullptr) {
        host::TheJournal().Record("MQ_SendMessage", {std::to_string(code), "null"});
        return 0;
    }
    std::vector<std::string> args{std::to_string(code), Hex32(info->product), Hex32(info->id)};
    if (code == MQ_MESSAGE_ACTIVATE) {
        const auto* flag = static_cast<const int32_t*>(info->data);
        args.push_back(flag != nullptr ? std::to_string(*flag) : "null");
    }
    host::TheJournal().Record("MQ_SendMessage", std::move(args));
    if (code == MQ_MESSAGE_PLUGIN_SETTINGS) HandOutSettings(static_cast<MQOption*>(info->data));
    return 0;
}
