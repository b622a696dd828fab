#pragma once

#include "rack/AlarmWatch.h"
#include "status/BoardStatus.h"

#include <cstdint>
#include <optional>

// The names fields, programs and levels go by in events and metrics.
const char* FieldName(BoardField field);
const char* ProgramName(std::int32_t program);
const char* LevelName(StatusLevel level);

struct ColouredField {
    BoardField Field;
    const char* Name;
};
// In the order of the alarms that watch them.
inline constexpr ColouredField kColouredFieldNames[kColouredFieldCount] = {
    {BoardField::kOpState, "op_state"},
    {BoardField::kRssi, "signal_strength"},
    {BoardField::kSfdLosses, "sfd_losses"},
    {BoardField::kTemperature, "temperature"},
};
std::optional<int> ColouredIndex(BoardField field);
