// Checks a program file as the boot loader receives it: Intel-hex records, read as a stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora_sim {

struct HexReport {
    int records = 0;         // well-formed records with a good checksum, up to and including EOF
    int checksumErrors = 0;  // records whose bytes do not sum to zero
    int formatErrors = 0;    // odd digit count, wrong length, unknown type, bad length for the type
    long dataBytes = 0;      // payload bytes of the data records
    bool eofSeen = false;
    bool anyData = false;
    uint32_t lowAddress = 0;  // full addresses (extended addresses applied) of the data bytes
    uint32_t highAddress = 0;

    bool Ok() const { return eofSeen && checksumErrors == 0 && formatErrors == 0; }
};

class IntelHexChecker {
  public:
    // Anything that is not ':' between records is skipped (line ends, the blanks, NULs and 0xFF
    // the sender pads its last block with); everything after the EOF record is ignored.
    void Feed(std::string_view bytes);

    // Judges a record that the end of the data cut short.
    void Finish();

    const HexReport& Report() const { return report_; }

  private:
    void FeedByte(char c);
    void EndRecord();
    void CheckRecord(const std::vector<uint8_t>& bytes);
    void AddData(uint32_t address, unsigned length);

    bool inRecord_ = false;
    std::string digits_;
    uint32_t base_ = 0;  // from the last extended segment (02) or linear (04) address record
    HexReport report_;
};

// One line for people and scripts, e.g.
// "download bytes=3000 records=61 data-bytes=960 addresses=00000000-000003BF checksum-errors=0
//  format-errors=0 eof=yes result=ok" (on one line).
std::string FormatReport(const HexReport& report, size_t bytesReceived);

}  // namespace velmora_sim
