#include "rack/RackMetrics.h"

#include "rack/RackNames.h"
#include "status/ReadingRules.h"

#include <QString>

#include <functional>
#include <optional>

namespace {

using Boards = std::vector<std::unique_ptr<BoardRecord>>;
// One sample: its labels after the board's ("" or ",cpe=\"0\""), its value.
using Sampler = std::function<void(const BoardRecord&, const std::function<void(QByteArray, double)>&)>;

struct Family {
    const char* Name;
    const char* Type;
    const char* Help;
    Sampler Samples;
};

QByteArray Label(const char* name, const QByteArray& value) {
    return QByteArray(",") + name + "=\"" + value + '"';
}

std::optional<double> Number(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional(static_cast<double>(ReadDecimal(text)));
}

// A per-CPE reading: every CPE's record on a Line Card, the board's own field on a CPE.
Sampler PerCpe(QString CpeStatusRecord::*record, BoardField field) {
    return [record, field](const BoardRecord& board, const auto& sample) {
        const SessionState& state = board.Board.State();
        if (state.ActiveProgram == kCpeApp) {
            if (const auto value = Number(state.Board.Text(field))) {
                sample(Label("cpe", "self"), *value);
            }
            return;
        }
        if (state.ActiveProgram != kLineCardApp) {
            return;
        }
        for (int cpe = 0; cpe < kCpeCount; ++cpe) {
            if (const auto value = Number(state.Board.Cpes[cpe].*record)) {
                sample(Label("cpe", QByteArray::number(cpe)), *value);
            }
        }
    };
}

const Family kFamilies[] = {
    {"velmora_board_up", "gauge", "Whether the board's port is open.",
     [](const BoardRecord& board, const auto& sample) { sample({}, board.Board.PortOpen() ? 1 : 0); }},
    {"velmora_board_program", "gauge", "The program the board runs (1) and the others (0).",
     [](const BoardRecord& board, const auto& sample) {
         const std::int32_t running = board.Board.State().ActiveProgram;
         for (std::int32_t program : {kNoProgram, kBootLoader, kLineCardApp, kCpeApp}) {
             sample(Label("program", ProgramName(program)), program == running ? 1 : 0);
         }
     }},
    {"velmora_temperature_celsius", "gauge", "The board's temperature.",
     [](const BoardRecord& board, const auto& sample) {
         if (const auto value = Number(board.Board.Status().Text(BoardField::kTemperature))) {
             sample({}, *value);
         }
     }},
    {"velmora_signal_strength", "gauge", "Received signal strength, as the board reports it.",
     PerCpe(&CpeStatusRecord::Rssi, BoardField::kRssi)},
    {"velmora_sfd_losses", "gauge", "SFD losses counted by the board.",
     PerCpe(&CpeStatusRecord::SfdLosses, BoardField::kSfdLosses)},
    {"velmora_field_level", "gauge", "Level of a status field: 0 good, 1 marginal, 2 bad.",
     [](const BoardRecord& board, const auto& sample) {
         for (const auto& [field, name] : kColouredFieldNames) {
             const BoardStatus& status = board.Board.Status();
             if (!status.Text(field).isEmpty()) {
                 sample(Label("field", name), 2 - static_cast<int>(*status.Level(field)));
             }
         }
     }},
    {"velmora_alarm", "gauge", "Whether an alarm is raised.",
     [](const BoardRecord& board, const auto& sample) {
         for (int index = 0; index < kAlarmCount; ++index) {
             const auto alarm = static_cast<Alarm>(index);
             sample(Label("alarm", AlarmName(alarm)), board.Alarms.IsRaised(alarm) ? 1 : 0);
         }
     }},
    {"velmora_reboots_total", "counter", "Reboots of the board by itself.",
     [](const BoardRecord& board, const auto& sample) { sample({}, board.Reboots); }},
    {"velmora_port_losses_total", "counter", "Losses of the board's port.",
     [](const BoardRecord& board, const auto& sample) { sample({}, board.PortLosses); }},
    {"velmora_received_bytes_total", "counter", "Bytes received from the board.",
     [](const BoardRecord& board, const auto& sample) {
         sample({}, static_cast<double>(board.ReceivedBytes));
     }},
};

}  // namespace

QByteArray MetricsText(const Boards& boards) {
    QByteArray text;
    for (const Family& family : kFamilies) {
        text += QByteArray("# HELP ") + family.Name + ' ' + family.Help + "\n# TYPE " + family.Name + ' ' +
                family.Type + '\n';
        for (const auto& board : boards) {
            const QByteArray boardLabel = "board=\"" + board->Board.Name().toUtf8() + '"';
            family.Samples(*board, [&](const QByteArray& labels, double value) {
                text += family.Name + ('{' + boardLabel + labels + "} ") +
                        QByteArray::number(value, 'g', 15) + '\n';
            });
        }
    }
    return text;
}
