#include "platform/SettingsReader.h"

#include "platform/WineRegistry.h"
#include "platform/WineSettingsReader.h"

std::unique_ptr<SettingsReader> NativeSettingsReader() {
    return std::make_unique<WineSettingsReader>(WineRegistry::DefaultPrefix());
}
