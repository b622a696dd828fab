#pragma once

#include "FakePrompts.h"
#include "Pty.h"
#include "SimBoard.h"
#include "app/GuiMain.h"
#include "link/QtSerialPort.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;

// Time limits are generous: CI runs these on a loaded machine, and a limit only costs time when a test fails.
constexpr int kDetectTimeoutMs = 15000;
constexpr int kPollTimeoutMs = 30000;
constexpr int kDownloadTimeoutMs = 60000;

// One window on the real serial adapter, attached as COM1 to a simulated board. Warnings and file choices go
// to scripted prompts, so no modal box can block a test.
class E2eSession : public testing::Test {
  protected:
    // Starts the board with these options and chooses its terminal as COM1.
    void Connect(const QStringList& boardOptions);
    // Names the device COM1, starts the window and chooses "COM1".
    void ChooseCom1(const QString& devicePath);
    // Ticks the scheduler every 25 ms instead of 100 ms: a status-poll cycle takes 2.5 s instead of 10 s.
    // Call before Connect.
    void SpeedUpScheduler();

    // Runs the event loop until the field shows the text; on time-out the test fails with what it shows
    // instead.
    testing::AssertionResult WaitForText(const QLineEdit* field, const QString& text, int timeoutMs);
    testing::AssertionResult WaitForSelection(const QComboBox* list, const QString& text, int timeoutMs);
    testing::AssertionResult WaitForProgram(const QString& programText, int timeoutMs = kDetectTimeoutMs);
    // Types a command on the command line and clicks "Send Command".
    void SendCommandLine(const QString& command);
    // The texts of the seven status fields, in window order: state, signal, SFD losses, line 1 hook and ring,
    // line 2 hook and ring.
    QStringList StatusFields() const;

    SimBoard Board;
    QtSerialPort Port;
    FakePrompts Prompts;
    GuiMain Window{Port, Prompts};  // declared last: closed before the port and the board go
};

// A script file line by line, for the simulator's --script option.
QByteArray ScriptText(const QStringList& lines);
// Script lines doing the same every two seconds for 40 s. Event lines are not polled: a test that must see
// one cannot know how late the window gets ready for it.
QStringList RepeatedAction(const QString& action);
