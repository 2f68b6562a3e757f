#pragma once

#include "monitor/DownloadFeed.h"

#include <QString>

#include <memory>

// This platform's way to GetRight: DDE on Windows, the Wine bridge elsewhere.
std::unique_ptr<DownloadFeed> NativeDownloadFeed();

// quillan-dde-bridge.exe next to the program, in the installed helper folder, or in the
// build tree; empty when none is found.
QString FindBridgeExe();
