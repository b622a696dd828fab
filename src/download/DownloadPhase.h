#pragma once

#include <cstdint>

// Where a running download stands (FormState::DownloadPhase).
enum DownloadPhaseValue : std::int32_t {
    kAwaitingReady = 0,       // reset sent, waiting for "Boot Loader Ready"
    kStoppingBootLoader = 1,  // "stop" sent, waiting for "Boot Loader Stopped"
    kTransferring = 2,        // the file is being sent, then the flashing wait
};
