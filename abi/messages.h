// MQ_SendMessage: the messages a plug-in sends to the host, and their record.
#pragma once

#include <cstddef>
#include <cstdint>

// The record of MQ_SendMessage: the sender's product and plug-in ids, a field that is
// always 0, and the message's data. The gap after `zero` is never written.
struct MQSendMessageInfo {
    uint32_t product;
    uint32_t id;
    int32_t zero;
    void* data;
};
static_assert(sizeof(void*) != 8 || sizeof(MQSendMessageInfo) == 24, "message record is 24 bytes");
static_assert(offsetof(MQSendMessageInfo, data) == 2 * sizeof(void*) || sizeof(void*) != 8,
              "data pointer at offset 16");

// Message codes.
enum : int32_t {
    MQ_MESSAGE_ACTIVATE = 100,        // data: pointer to a 32-bit flag; 0 = no longer active
    MQ_MESSAGE_PLUGIN_SETTINGS = 505  // data: option array "root", "pluginsettings" (null values)
};

// The option names of message 505: the host writes the settings root and the plug-in
// settings element into them.
inline constexpr char MQMSG_KEY_ROOT[] = "root";
inline constexpr char MQMSG_KEY_PLUGIN_SETTINGS[] = "pluginsettings";
