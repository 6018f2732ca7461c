// protocol-setup: creates a register database and writes the installation settings.
#include <unistd.h>

#include <QCoreApplication>
#include <QTextStream>

#include "SetupPlan.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("protocol-setup"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(PROTOCOL_VERSION_MAJOR)
                                                .arg(PROTOCOL_VERSION_MINOR)
                                                .arg(PROTOCOL_VERSION_PATCH));
    QTextStream out(stdout);
    QTextStream err(stderr);

    SetupPlan plan;
    QString error, help;
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    if (!ParseSetupArguments(QCoreApplication::arguments(), &plan, &error, &help, terminal)) {
        if (!help.isEmpty()) {
            out << help;
            return 0;
        }
        err << "protocol-setup: " << error << "\n"
            << "Try 'protocol-setup --help'.\n";
        return 2;
    }
    if (!ReadSetupPasswords(&plan, terminal, &error)) {
        err << "protocol-setup: " << error << "\n";
        return 2;
    }
    QString summary;
    if (!RunSetup(plan, &error, &summary)) {
        err << "protocol-setup: " << error << "\n";
        return 1;
    }
    out << "protocol-setup: " << summary << "\n";
    return 0;
}
