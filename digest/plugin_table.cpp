// SPDX-License-Identifier: MIT
// The table of registered digest plugins: appended to, never shrunk, kept until unload.
#include "digest/plugin.h"

namespace {

constexpr int32_t PluginCapacity = 64;
DigestPlugin pluginTable[PluginCapacity];
int32_t pluginCount = 0;

}  // namespace

DigestPlugin* RegisterDigestPlugin(int32_t id)
{
    for (int32_t i = 0; i < pluginCount; ++i)
        if (pluginTable[i].id == id) return nullptr;
    if (pluginCount == PluginCapacity) return nullptr;  // only four ids exist; never reached
    DigestPlugin* plugin = &pluginTable[pluginCount++];
    *plugin = DigestPlugin{};
    plugin->id = id;
    return plugin;
}

DigestPlugin* FindDigestPlugin(int32_t id)
{
    DigestPlugin* found = nullptr;
    for (int32_t i = 0; i < pluginCount; ++i)
        if (pluginTable[i].id == id) found = &pluginTable[i];
    return found;
}

int32_t DigestPluginCount() { return pluginCount; }

int32_t EnsureDigestPlugin(const DigestPlugin& operations)
{
    if (DigestPlugin* plugin = RegisterDigestPlugin(operations.id)) *plugin = operations;
    return 1;
}
