// velmora-sim: a Velmora board on a pseudo-terminal, for trying and testing the service tool
// without hardware.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <system_error>

#include "Options.h"
#include "Pty.h"
#include "Script.h"
#include "SimLoop.h"

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int) {
    stopSignal = 1;
}

// A signal ignored at start stays ignored: a script that starts boards in the background (where the shell ignores
// SIGINT for them) stops them itself, after the program watching them.
void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT}) {
        struct sigaction found {};
        if (sigaction(signal, nullptr, &found) == 0 && found.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
}

bool LoadScript(velmora_sim::SimOptions& options) {
    std::ifstream file(options.scriptFile);
    if (!file) {
        std::cerr << "velmora-sim: cannot read script " << options.scriptFile << "\n";
        return false;
    }
    std::vector<velmora_sim::ScriptError> errors;
    options.board.script = velmora_sim::ParseScript(file, errors);
    for (const velmora_sim::ScriptError& error : errors) {
        std::cerr << options.scriptFile << ":" << error.lineNumber << ": " << error.message << "\n";
    }
    return errors.empty();
}

// Written to a side file and renamed, so a script waiting for the file never reads half a path.
bool WritePathFile(const std::string& pathFile, const std::string& slavePath) {
    const std::string temporary = pathFile + ".tmp";
    std::ofstream(temporary) << slavePath << "\n";
    return std::rename(temporary.c_str(), pathFile.c_str()) == 0;
}

int Run(velmora_sim::SimOptions& options) {
    if (options.trace) {
        options.board.trace = [](std::string_view text) {
            std::cerr << "velmora-sim: " << text << std::endl;
        };
    }
    velmora_sim::Pty pty;
    std::cout << pty.SlavePath() << std::endl;
    if (!options.pathFile.empty() && !WritePathFile(options.pathFile, pty.SlavePath())) {
        std::cerr << "velmora-sim: cannot write " << options.pathFile << "\n";
        return 1;
    }
    InstallSignalHandlers();
    velmora_sim::Board board(options.board);
    velmora_sim::RunSimLoop(pty, board, options.link, [] { return stopSignal != 0; });
    board.Shutdown();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    velmora_sim::SimOptions options;
    if (std::string error = velmora_sim::ParseOptions(argc, argv, options); !error.empty()) {
        std::cerr << "velmora-sim: " << error << " (see --help)\n";
        return 2;
    }
    if (options.help) {
        std::cout << velmora_sim::HelpText();
        return 0;
    }
    if (options.version) {
        std::cout << "velmora-sim " VELMORA_SIM_VERSION "\n";
        return 0;
    }
    if (!options.scriptFile.empty() && !LoadScript(options)) {
        return 2;
    }
    try {
        return Run(options);
    } catch (const std::system_error& error) {
        std::cerr << "velmora-sim: " << error.what() << "\n";
        return 1;
    }
}
