#pragma once

#include <QString>

// What a session's scheduler reads from its operator when it serves a request or a tick.
class SessionInputs {
  public:
    virtual QString CommandLine() const = 0;
    // List positions of the settings to write; -1 when the list has no entry selected.
    virtual int GenericSettingPosition() const = 0;
    virtual int V35SettingPosition() const = 0;
    // The console is in view: while it is, the board's debug output is switched off and the status poll
    // waits.
    virtual bool ConsoleInView() const = 0;

  protected:
    ~SessionInputs() = default;
};
