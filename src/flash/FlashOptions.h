#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct FlashOptions {
    QString ProgramPath;
    QStringList Ports;  // device paths or "COMn", each once
    bool Json = false;
    bool HexCheck = true;
    int VerifyTimeoutMs = 20000;  // 0: no wait for the application's banner
    int Retries = 0;              // further tries for a board that did not answer
    bool Quiet = false;           // result lines and the summary only
};

// The command line read: options to run with, or a text to print and the exit status to end with.
struct ParsedArguments {
    std::optional<FlashOptions> Options;
    QString Text;    // help or version on stdout; a usage error on stderr
    int Status = 0;  // when there are no options: 0 after help or version, 2 after a usage error
};

// The arguments include the program name first, as QCoreApplication::arguments() gives them.
ParsedArguments ParseArguments(const QStringList& arguments);
