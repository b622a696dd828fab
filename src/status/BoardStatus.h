#pragma once

#include "status/StatusLevels.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// What the board is running, as far as the tool knows.
enum ProgramValue : std::int32_t {
    kNoProgram = 0,
    kBootLoader = 1,
    kLineCardApp = 2,
    kCpeApp = 3,
};

// Display texts of one telephone line of a CPE.
struct LineStatus {
    QString Hook;  // "ON HOOK" or "OFF HOOK"
    QString Ring;  // "RING ON" or "RING OFF"
};

inline constexpr int kLinesPerCpe = 2;

// Stored status of one CPE of a Line Card, as the texts the status fields show.
struct CpeStatusRecord {
    QString OpState;  // "Acquisition", "Ranging" or "Locked"
    QString Rssi;
    QString SfdLosses;
    std::array<LineStatus, kLinesPerCpe> Lines;  // index 0 = telephone line 1
};

inline constexpr int kCpeCount = 4;

// The facts a front end shows, one text each. The status fields (operational state to line 2's ring state)
// hold the board's own status on a CPE and the selected CPE's on a Line Card.
enum class BoardField : std::uint8_t {
    kBootLoaderVersion,
    kApplicationVersion,
    kFirmwareVersion,
    kFrequency,
    kCdma,
    kTimeSlot,
    kOpState,
    kRssi,
    kSfdLosses,
    kLine1Hook,
    kLine1Ring,
    kLine2Hook,
    kLine2Ring,
    kTemperature,
    kSfdSetting,      // EEPROM location 0, as read back
    kGenericSetting,  // EEPROM location 4: see GenericPosition
    kV35Setting,      // EEPROM location 5: see V35Position
};
inline constexpr int kBoardFieldCount = static_cast<int>(BoardField::kV35Setting) + 1;

// Every fact the tool has learnt from one board, as the texts it shows them by.
class BoardStatus {
  public:
    const QString& Text(BoardField field) const { return texts_[static_cast<int>(field)]; }
    void SetText(BoardField field, const QString& text) { texts_[static_cast<int>(field)] = text; }
    // The judgement of a coloured field's text (operational state, signal strength, SFD losses, temperature);
    // nothing for the other fields.
    std::optional<StatusLevel> Level(BoardField field) const;

    static BoardField HookField(int line);
    static BoardField RingField(int line);

    std::array<CpeStatusRecord, kCpeCount> Cpes;
    // List positions of the EEPROM read-backs of locations 4 and 5. Location 4 has no list position while no
    // application tells what it means.
    std::optional<int> GenericPosition;
    int V35Position = -1;

  private:
    std::array<QString, kBoardFieldCount> texts_;
};
