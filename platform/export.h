// Marks a function as part of a module's export table.
#pragma once

#if defined(_WIN32)
#define MQ_EXPORT __declspec(dllexport)
#else
#define MQ_EXPORT __attribute__((visibility("default")))
#endif
