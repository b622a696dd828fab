#pragma once

#include "link/QtSerialPort.h"
#include "session/Session.h"

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <array>

class RackBoard;

// What the rack hears of each of its boards, as it happens.
class BoardListener {
  public:
    // A field's text changed (each poll writes the fields again; only changes are told).
    virtual void FieldChanged(RackBoard& board, BoardField field) = 0;
    virtual void ProgramChanged(RackBoard& board, std::int32_t program) = 0;
    virtual void Received(RackBoard& board, const QByteArray& bytes) = 0;
    virtual void PortOpened(RackBoard& board) = 0;  // at start, late, or again after a loss
    virtual void PortLost(RackBoard& board) = 0;
    // The board's boot loader announced itself while an application ran: nothing of ours reset it.
    virtual void Rebooted(RackBoard& board) = 0;

  protected:
    ~BoardListener() = default;
};

// One board of a rack: its port and its session, watched with nobody at the controls. A port that does not
// open at start is tried again every second by what it was named; one lost after it opened is awaited as the
// window awaits it, by its device, or by its name where its device cannot be recognised.
class RackBoard : private SessionSink, private SessionInputs {
  public:
    // `port` is a device path, a /dev/serial link or "COMn".
    RackBoard(const QString& name, const QString& port, BoardListener& listener);
    ~RackBoard() override;

    void Start();
    void Stop();

    const QString& Name() const { return name_; }
    const QString& PortName() const { return portName_; }
    bool PortOpen() const { return port_.IsOpen(); }
    const SessionState& State() const { return session_.State; }
    const BoardStatus& Status() const { return session_.State.Board; }
    ::Session& BoardSession() { return session_; }
    // The field holds what the board replied, not what entering its program reset it to.
    bool Measured(BoardField field) const { return measured_[static_cast<int>(field)]; }

  private:
    void TryOpen();

    // Operator inputs: nothing typed, nothing selected, no console in view.
    QString CommandLine() const override { return {}; }
    int GenericSettingPosition() const override { return -1; }
    int V35SettingPosition() const override { return -1; }
    bool ConsoleInView() const override { return false; }
    bool ChoosingAnotherPort() const override { return false; }

    void FieldWritten(BoardField field) override;
    void ProgramEntered(std::int32_t program) override;
    void TextReceived(const QString& piece) override;
    void PortLost(const QString& notice, bool awaited) override;
    void PortBack(const QString& device, const QString& notice) override;
    void LogFailed(const QString& /*message*/) override {}
    // A rack never downloads.
    void DownloadStarting() override {}
    void DownloadStatusChanged(DownloadStep /*step*/, const QString& /*text*/) override {}
    void DownloadProgressChanged(double /*value*/) override {}
    void DownloadWarning(const QString& /*text*/) override {}
    void DownloadEnded(DownloadEnd /*how*/) override {}

    QString name_;
    QString portName_;
    BoardListener& listener_;
    QtSerialPort port_;
    ::Session session_;
    QTimer retryTimer_;                           // runs while the port is to be opened by its name
    std::array<QString, kBoardFieldCount> told_;  // the texts last told
    std::array<bool, kBoardFieldCount> measured_{};
    std::int32_t program_ = kNoProgram;
};
