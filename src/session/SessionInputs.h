#pragma once

#include <QString>

// What a session reads from its operator when it serves a request, a tick or a lost port.
class SessionInputs {
  public:
    virtual QString CommandLine() const = 0;
    // List positions of the settings to write; -1 when the list has no entry selected.
    virtual int GenericSettingPosition() const = 0;
    virtual int V35SettingPosition() const = 0;
    // The console is in view: while it is, the board's debug output is switched off and the status poll
    // waits.
    virtual bool ConsoleInView() const = 0;
    // The operator is choosing another port than the one in effect: a loss of the old one is no news.
    virtual bool ChoosingAnotherPort() const = 0;

  protected:
    ~SessionInputs() = default;
};
