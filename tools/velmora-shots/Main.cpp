// velmora-shots PREFIX TAB...: the tool's own window and serial port, on COM1. Once the board's first poll
// cycle has filled the window, it writes PREFIX-TAB.png for each tab named by its caption (in any case).

#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QTabWidget>
#include <QTimer>

namespace {

// The first poll cycle's one-time reads come 2.9 to 5.9 s after detection; CPEs lock within seconds.
constexpr int kFillMs = 12000;

void Fail(const QString& text) {
    qCritical().noquote() << "velmora-shots:" << text;
}

// A warning or notice means the window does not show what the screenshots are for: report it, wait for no OK.
class FailingPrompts : public Prompts {
public:
    void Warn(const QString& text) override {
        Fail(text);
        QCoreApplication::exit(1);
    }
    void Notify(const QString& text) override { Warn(text); }
    std::optional<QString> ChooseFile(const FileRequest& /*request*/) override { return std::nullopt; }
};

int TabIndex(const QTabWidget* tabs, const QString& caption) {
    for (int index = 0; index < tabs->count(); ++index) {
        if (tabs->tabText(index).remove(u'&').compare(caption, Qt::CaseInsensitive) == 0) {
            return index;
        }
    }
    return -1;
}

// Every tab named, or none when one is missing or a file cannot be written.
bool SaveTabs(GuiMain& window, const QString& prefix, const QStringList& tabs) {
    for (const QString& tab : tabs) {
        const int index = TabIndex(window.GUI_Tabs, tab);
        if (index < 0) {
            Fail(QStringLiteral("no tab \"%1\"").arg(tab));
            return false;
        }
        window.GUI_Tabs->setCurrentIndex(index);
        const QString file = QStringLiteral("%1-%2.png").arg(prefix, tab.toLower());
        if (!window.grab().save(file)) {
            Fail(QStringLiteral("cannot write %1").arg(file));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() < 2) {
        Fail(QStringLiteral("usage: velmora-shots PREFIX TAB..."));
        return 2;
    }
    QtSerialPort port;
    FailingPrompts prompts;
    GuiMain window(port, prompts);
    window.Form_Load();
    window.show();
    const int com1 = window.CommPortSelect->findText(QStringLiteral("COM1"));
    if (com1 < 0) {
        Fail(QStringLiteral("COM1 is not listed"));
        return 1;
    }
    window.CommPortSelect->setCurrentIndex(com1);
    if (!port.IsOpen()) {
        return 1;  // the warning said why
    }
    QTimer::singleShot(kFillMs, &window, [&] {
        QCoreApplication::exit(SaveTabs(window, arguments.first(), arguments.mid(1)) ? 0 : 1);
    });
    return QApplication::exec();
}
