#include "app/GuiMain.h"
#include "app/Prompts.h"
#ifdef Q_OS_UNIX
#include "signals/StopSignals.h"
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

// --help, --help-all and --version print and exit; the window takes no other arguments (Qt's own, such as
// -platform, are taken by QApplication before this).
void HandleCommandLine() {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Service tool for a Velmora board on a serial port at 57600 8N1.\n"
                       "COM n is the device named by VELMORA_COM<n> (n = 1..8) when it is set,\n"
                       "otherwise the n-th serial device of the system."));
    const QCommandLineOption help = parser.addHelpOption();
    // Qt's parser knows -? on Windows only; people type it everywhere.
    QCommandLineOption questionMark(QStringLiteral("?"));
    questionMark.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(questionMark);
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
    if (parser.isSet(help) || parser.isSet(questionMark)) {
        parser.showHelp();
    }
    if (parser.isSet(QStringLiteral("help-all"))) {
        parser.process(QCoreApplication::arguments());  // only process() prints Qt's own options too; it exits
    }
}

// Help and version are answered without a display (over ssh, in a plain console).
bool AsksOnlyForInformation(int argc, char* argv[]) {
    return std::any_of(argv + 1, argv + argc, [](const char* argument) {
        const std::string_view option(argument);
        return option == "--help" || option == "-h" || option == "-?" || option == "--help-all" ||
               option == "--version" || option == "-v";
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    // A full QApplication even then, so that Qt's own options are taken and listed as in any Qt program; a
    // -platform given on the command line still wins over this.
    if (AsksOnlyForInformation(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
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
    prompts.SetNoticeOwner(&window);
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
