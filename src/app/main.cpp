#include "app/GuiMain.h"
#include "app/Prompts.h"
#ifdef Q_OS_UNIX
#include "app/StopSignals.h"
#endif
#include "link/QtSerialPort.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string_view>

namespace {

// --help and --version print and exit; the window takes no other arguments (Qt's own, such as -platform, are
// taken by QApplication before this).
void HandleCommandLine() {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Service tool for a Velmora board on a serial port at 57600 8N1.\n"
                       "COM n is the device named by VELMORA_COM<n> (n = 1..8) when it is set,\n"
                       "otherwise the n-th serial device of the system."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    QString error;
    if (!parser.parse(QCoreApplication::arguments())) {
        error = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    }
    if (!error.isEmpty()) {
        std::cerr << qPrintable(error) << "\n\n" << qPrintable(parser.helpText());
        std::exit(2);
    }
    if (parser.isSet(version)) {
        parser.showVersion();
    }
    if (parser.isSet(help)) {
        parser.showHelp();
    }
}

// --help and --version are answered without a display (over ssh, in a plain console).
bool AsksOnlyForInformation(int argc, char* argv[]) {
    return std::any_of(argv + 1, argv + argc, [](const char* argument) {
        const std::string_view option(argument);
        return option == "--help" || option == "-h" || option == "-?" || option == "--version" || option == "-v";
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    if (AsksOnlyForInformation(argc, argv)) {
        const QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
        HandleCommandLine();
    }
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    HandleCommandLine();
    // The installed launcher and icon are named by the application id (see packaging/).
    QApplication::setDesktopFileName(QStringLiteral(VELMORA_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(VELMORA_APP_ID)));
#ifdef Q_OS_UNIX
    const StopSignals stopSignals([] { QApplication::closeAllWindows(); });  // the window's normal close
#endif
    QtSerialPort port;
    QtPrompts prompts;
    GuiMain window(port, prompts);
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
