#include "platform/Opener.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

// The desktop's opener for the same target the "start" command line names.
class DesktopOpener : public Opener {
public:
    bool Open(const Target& target) override {
        const QUrl url = target.IsLocalFile ? QUrl::fromLocalFile(target.Address)
                                            : QUrl(target.Address, QUrl::TolerantMode);
        return url.isValid() && !url.isEmpty() && QDesktopServices::openUrl(url);
    }
};

} // namespace

std::unique_ptr<Opener> NativeOpener() { return std::make_unique<DesktopOpener>(); }
