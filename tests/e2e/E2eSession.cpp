#include "E2eSession.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kFastTickMs = 25;

testing::AssertionResult WaitForValue(const std::function<QString()>& shown, const QString& wanted,
                                      int timeoutMs) {
    if (WaitFor([&] { return shown() == wanted; }, timeoutMs)) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "expected \"" << wanted.toStdString() << "\", shows \""
                                       << shown().toStdString() << "\" after " << timeoutMs << " ms";
}

}  // namespace

void E2eSession::Connect(const QStringList& boardOptions) {
    ASSERT_TRUE(Board.Start(boardOptions)) << Board.ErrorOutput().toStdString();
    ChooseCom1(Board.DevicePath());
}

void E2eSession::ChooseCom1(const QString& devicePath) {
    qputenv("VELMORA_COM1", devicePath.toLocal8Bit());
    Window.Form_Load();
    const int com1 = Window.CommPortSelect->findText(QStringLiteral("COM1"));
    ASSERT_GT(com1, 0) << "COM1 is not offered for " << devicePath.toStdString();
    Window.CommPortSelect->setCurrentIndex(com1);
    ASSERT_TRUE(Port.IsOpen()) << Prompts.Warnings.join(QLatin1Char('\n')).toStdString();
}

void E2eSession::SpeedUpScheduler() {
    Window.Session.TransmitTimer.setInterval(kFastTickMs);
}

testing::AssertionResult E2eSession::WaitForText(const QLineEdit* field, const QString& text, int timeoutMs) {
    return WaitForValue([field] { return field->text(); }, text, timeoutMs)
           << " in " << field->objectName().toStdString();
}

testing::AssertionResult E2eSession::WaitForSelection(const QComboBox* list, const QString& text,
                                                      int timeoutMs) {
    return WaitForValue([list] { return list->currentText(); }, text, timeoutMs)
           << " in " << list->objectName().toStdString();
}

testing::AssertionResult E2eSession::WaitForProgram(const QString& programText, int timeoutMs) {
    return WaitForText(Window.ProgramText, programText, timeoutMs);
}

void E2eSession::SendCommandLine(const QString& command) {
    Window.CommandLineText->setText(command);
    Window.CommandLineButton->click();
}

QStringList E2eSession::StatusFields() const {
    return {Window.OpStateText->text(), Window.RssiText->text(),  Window.SfdLossText->text(),
            Window.Line1Hook->text(),   Window.Line1Ring->text(), Window.Line2Hook->text(),
            Window.Line2Ring->text()};
}

QByteArray ScriptText(const QStringList& lines) {
    return lines.join(QLatin1Char('\n')).toLatin1() + '\n';
}

QStringList RepeatedAction(const QString& action) {
    QStringList lines;
    for (int atMs = 2000; atMs <= 40000; atMs += 2000) {
        lines << QString::number(atMs) + QLatin1Char(' ') + action;
    }
    return lines;
}
