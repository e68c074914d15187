// MQ_SendMessage: messages from the plug-in to the host.
#include <string>

#include "host/breaches.h"
#include "host/journal.h"
#include "host/settings.h"
#include "platform/export.h"
#include "platform/options.h"
#include "abi/abi.h"

namespace {

// Message 505: the data is an option array; the host puts its element handles into the
// entries "root" and "pluginsettings" whose value pointers are null, and leaves every
// entry as it is when it offers no settings.
void HandOutSettings(MQOption* options) {
    if (!host::SettingsOffered()) return;
    if (MQOption* root = const_cast<MQOption*>(platform::FindOption(options, MQMSG_KEY_ROOT))) {
        if (root->value == nullptr) root->value = &host::SettingsRoot();
    }
    if (MQOption* settings = const_cast<MQOption*>(platform::FindOption(options, MQMSG_KEY_PLUGIN_SETTINGS))) {
        if (settings->value == nullptr) settings->value = &host::PluginSettings();
    }
}

void Refuse(int32_t code, host::Rule rule, std::string detail) {
    host::TheBreaches().Report(rule, "MQ_SendMessage(" + std::to_string(code) + ")", std::move(detail));
}

}  // namespace

// `message` points to the 24-byte message record: the sender's product and plug-in IDs,
// a 32-bit zero and the data pointer, whose form the code fixes. The journal shows the
// code and the sender's IDs, and for message 100 the flag the data points to ("null"
// when there is none), which is what the message says. A message without a record or
// without the data its code needs, and a code the host does not know, are breaches. The
// result is always 0 and means nothing.
extern "C" MQ_EXPORT int32_t MQ_SendMessage(int32_t code, void* message) {
    auto* info = static_cast<MQSendMessageInfo*>(message);
    if (info == nullptr) {
        host::TheJournal().Record("MQ_SendMessage", {std::to_string(code), "null"});
        Refuse(code, host::Rule::kMessageNoRecord, "a message needs its record");
        return 0;
    }
    host::TheJournal().Record("MQ_SendMessage", [&] {
        host::CallArgs args{std::to_string(code), host::HexText(info->product, 8), host::HexText(info->id, 8)};
        if (code == MQ_MESSAGE_ACTIVATE) {
            const auto* flag = static_cast<const int32_t*>(info->data);
            args.push_back(flag != nullptr ? std::to_string(*flag) : "null");
        }
        return args;
    });
    switch (code) {
    case MQ_MESSAGE_ACTIVATE:
        if (info->data == nullptr) Refuse(code, host::Rule::kMessageNoData, "message 100 needs the flag it reports");
        break;
    case MQ_MESSAGE_PLUGIN_SETTINGS:
        if (info->data == nullptr) return Refuse(code, host::Rule::kMessageNoData, "message 505 needs its option array"), 0;
        HandOutSettings(static_cast<MQOption*>(info->data));
        break;
    default:
        Refuse(code, host::Rule::kMessageUnknownCode, "the host has no message " + std::to_string(code));
        break;
    }
    return 0;
}
