#include "cli/Report.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillan-report"));
#ifdef QUILLAN_SANITIZED
    // Leak checking needs everything freed the ordinary way.
    return RunReport(QCoreApplication::arguments(), stdout, stderr, Teardown::Full);
#else
    const int status =
        RunReport(QCoreApplication::arguments(), stdout, stderr, Teardown::LeaveToExit);
    const bool written = std::fflush(stdout) == 0;
    std::fflush(stderr);
    std::_Exit(written ? status : 1);
#endif
}
