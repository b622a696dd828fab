#include "rack/RackNames.h"

const char* FieldName(BoardField field) {
    static constexpr const char* kNames[kBoardFieldCount] = {"boot_loader_version",
                                                             "application_version",
                                                             "firmware_version",
                                                             "frequency",
                                                             "cdma",
                                                             "time_slot",
                                                             "op_state",
                                                             "signal_strength",
                                                             "sfd_losses",
                                                             "line1_hook",
                                                             "line1_ring",
                                                             "line2_hook",
                                                             "line2_ring",
                                                             "temperature",
                                                             "sfd_setting",
                                                             "generic_setting",
                                                             "v35_setting"};
    return kNames[static_cast<int>(field)];
}

const char* ProgramName(std::int32_t program) {
    switch (program) {
        case kBootLoader:
            return "boot_loader";
        case kLineCardApp:
            return "line_card";
        case kCpeApp:
            return "cpe";
        default:
            return "none";
    }
}

const char* LevelName(StatusLevel level) {
    switch (level) {
        case StatusLevel::kBad:
            return "bad";
        case StatusLevel::kMarginal:
            return "marginal";
        default:
            return "good";
    }
}

std::optional<int> ColouredIndex(BoardField field) {
    for (int index = 0; index < kColouredFieldCount; ++index) {
        if (kColouredFieldNames[index].Field == field) {
            return index;
        }
    }
    return std::nullopt;
}
