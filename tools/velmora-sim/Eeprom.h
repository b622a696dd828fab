// The board's settings memory: 256 bytes, optionally kept in a file across runs.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velmora_sim {

class Eeprom {
  public:
    static constexpr unsigned kSize = 256;
    using Bytes = std::array<uint8_t, kSize>;

    // Loads `path` when it holds exactly kSize bytes; otherwise starts from `defaults`.
    // An empty path keeps the contents in memory only.
    Eeprom(const Bytes& defaults, std::string path);

    uint8_t Read(unsigned location) const { return bytes_.at(location); }
    void Write(unsigned location, uint8_t value);

  private:
    void Save() const;

    Bytes bytes_;
    std::string path_;
};

// Factory contents: SFD 0x1A, location 4 = 0x05 on a Line Card (E1 & 16 kHz tone)
// or 0x01 on a CPE (range above 25 miles), V35 off; unused locations read as erased (0xFF).
Eeprom::Bytes DefaultEeprom(bool lineCard);

}  // namespace velmora_sim
