#include "plugin/settings.h"

#include "abi/messages.h"
#include "platform/platform.h"
#include "plugin/host_api.h"
#include "plugin/options.h"
#include "plugin/xml_access.h"

MQSetting::MQSetting(MQXmlElement settingsRoot, std::string sectionName)
    : settingsRoot(settingsRoot), section(nullptr), sectionName(std::move(sectionName)) {}

MQSetting::~MQSetting() = default;

bool MQSetting::LoadBool(const char* key) { return LoadInt(key, 0) != 0; }

int32_t MQSetting::LoadInt(const char* key, int32_t defaultValue) {
    if (key == nullptr) return defaultValue;
    MQXmlElement element = FindChildElement(section, key);
    if (element == nullptr) return defaultValue;
    platform::WideString text;
    if (!GetTextWide(element, text) || text.empty()) return defaultValue;
    return platform::WideToInt(text.c_str());
}

void MQSetting::SaveBool(const char* key, bool value) { Write(BoolEntry(key, value)); }

void MQSetting::SaveInt(const char* key, int32_t value) { Write(IntEntry(key, value)); }

MQSetting::Entry MQSetting::BoolEntry(const char* key, bool value) {
    return MakeEntry(key, value ? WIDE("1") : WIDE("0"));
}

MQSetting::Entry MQSetting::IntEntry(const char* key, int32_t value) {
    return MakeEntry(key, platform::IntToWide(value));
}

MQSetting::Entry MQSetting::MakeEntry(const char* key, const platform::WideString& text) {
    if (key == nullptr) return Entry{};
    return Entry{AnsiToUtf8(key), WideToUtf8(text)};
}

// The old element goes only once everything for the new one is made.
void MQSetting::Write(const Entry& entry) {
    if (entry.key.empty()) return;
    if (MQXmlElement old = FindChildElementUtf8(section, entry.key); old != nullptr) RemoveChildElement(section, old);
    SetTextUtf8(AddChildElementUtf8(section, entry.key), entry.text);
}

std::unique_ptr<MQSetting> OpenSettingsSection(MQBasePlugin* plugin) {
    if (plugin == nullptr) return nullptr;
    uint32_t product = 0, id = 0;
    plugin->GetPlugInID(&product, &id);

    // The host puts its elements into the null values of the array.
    MQOption options[] = {{MQMSG_KEY_ROOT, nullptr}, {MQMSG_KEY_PLUGIN_SETTINGS, nullptr}, {nullptr, nullptr}};
    MQSendMessageInfo message;
    message.product = product;
    message.id = id;
    message.zero = 0;
    message.data = options;
    g_host.MQ_SendMessage(MQ_MESSAGE_PLUGIN_SETTINGS, &message);
    MQXmlElement root = FindOptionValue(options, MQMSG_KEY_PLUGIN_SETTINGS);
    if (root == nullptr) return nullptr;

    auto setting = std::make_unique<MQSetting>(root, platform::SettingsSectionName(product, id));
    setting->section = FindChildElement(root, setting->sectionName.c_str());
    if (setting->section == nullptr) setting->section = AddChildElement(root, setting->sectionName.c_str());
    return setting;
}
