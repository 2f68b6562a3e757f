#include "platform/NativeFeed.h"

#include "platform/DdeFeed.h"

std::unique_ptr<DownloadFeed> NativeDownloadFeed() { return std::make_unique<DdeFeed>(); }
