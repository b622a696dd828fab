#include "Eeprom.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <utility>

namespace velmora_sim {

Eeprom::Eeprom(const Bytes& defaults, std::string path) : bytes_(defaults), path_(std::move(path)) {
    if (path_.empty()) {
        return;
    }
    std::ifstream file(path_, std::ios::binary);
    std::string stored{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (stored.size() == kSize) {
        std::copy(stored.begin(), stored.end(), bytes_.begin());
    }
}

void Eeprom::Write(unsigned location, uint8_t value) {
    bytes_.at(location) = value;
    Save();
}

void Eeprom::Save() const {
    if (path_.empty()) {
        return;
    }
    std::ofstream file(path_, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes_.data()), kSize);
    if (!file) {
        (void)std::fprintf(stderr, "velmora-sim: cannot write EEPROM file %s\n", path_.c_str());
    }
}

Eeprom::Bytes DefaultEeprom(bool lineCard) {
    Eeprom::Bytes bytes;
    bytes.fill(0xFF);
    bytes[0] = 0x1A;
    bytes[4] = lineCard ? 0x05 : 0x01;
    bytes[5] = 0x00;
    return bytes;
}

}  // namespace velmora_sim
