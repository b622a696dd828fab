#include "status/BoardStatus.h"

std::optional<StatusLevel> BoardStatus::Level(BoardField field) const {
    const QString& text = Text(field);
    switch (field) {
        case BoardField::kOpState:
            return OpStateLevel(text);
        case BoardField::kRssi:
            return RssiLevel(text);
        case BoardField::kSfdLosses:
            return SfdLossLevel(text);
        case BoardField::kTemperature:
            return TemperatureLevel(text);
        default:
            return std::nullopt;
    }
}

BoardField BoardStatus::HookField(int line) {
    return line == 0 ? BoardField::kLine1Hook : BoardField::kLine2Hook;
}

BoardField BoardStatus::RingField(int line) {
    return line == 0 ? BoardField::kLine1Ring : BoardField::kLine2Ring;
}
