#include "cli/Report.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillan-report"));
    return RunReport(QCoreApplication::arguments(), stdout, stderr);
}
