// The simulator's command line.
#pragma once

#include <string>
#include <string_view>

#include "Board.h"
#include "SimLoop.h"

namespace velmora_sim {

struct SimOptions {
    BoardOptions board;
    LinkOptions link;
    std::string pathFile;
    std::string scriptFile;
    bool trace = false;
    bool help = false;
    bool version = false;
};

// Returns an error message, or an empty string when every argument was understood.
// A script file is only named here; main reads it.
std::string ParseOptions(int argc, const char* const* argv, SimOptions& options);

std::string_view HelpText();

}  // namespace velmora_sim
