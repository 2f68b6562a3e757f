#pragma once

#include "platform/DownloadFeed.h"

#include <memory>

// This platform's way to GetRight: DDE on Windows, the Wine bridge elsewhere.
std::unique_ptr<DownloadFeed> NativeDownloadFeed();
