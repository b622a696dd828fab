#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The board simulator as a child process on a pseudo-terminal of its own, with a scratch folder for the files
// it reads and writes. The process is killed when the board goes out of scope.
class SimBoard {
  public:
    SimBoard() = default;
    ~SimBoard();
    SimBoard(const SimBoard&) = delete;
    SimBoard& operator=(const SimBoard&) = delete;

    // Starts the simulator unpaced (later options win, "--rate" included); true once it has named its
    // terminal.
    bool Start(const QStringList& options);
    // Stops it as SIGTERM does, so every file it keeps is written; true when it exited cleanly.
    bool Stop();

    QString DevicePath() const { return devicePath_; }
    QString FilePath(const QString& name) const { return folder_.filePath(name); }
    // Writes a file into the scratch folder and returns its path.
    QString WriteFile(const QString& name, const QByteArray& content) const;
    QByteArray ReadFile(const QString& name) const;
    // What the simulator printed on stderr so far, for failure messages.
    QString ErrorOutput();

  private:
    QTemporaryDir folder_;
    QProcess process_;
    QString devicePath_;
    QByteArray errorOutput_;
};
