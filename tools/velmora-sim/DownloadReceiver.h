// The boot loader's receive mode: keeps every byte of the program file, checks it as Intel-hex,
// and watches for the reset request that ends the mode.
#pragma once

#include <string>
#include <string_view>

#include "IntelHex.h"

namespace velmora_sim {

class DownloadReceiver {
  public:
    // Returns true when `c` completes the reset request ("reset" CR LF); that request, and the
    // bare CR LF the tool sends just before it, are not kept as received data.
    bool Feed(char c);

    // The received bytes, filler included, without the reset request.
    const std::string& Received() const { return received_; }

    // The check of what has been received so far; Finish() judges a record cut short.
    const HexReport& Report() const { return checker_.Report(); }
    void Finish() { checker_.Finish(); }

  private:
    std::string received_;
    IntelHexChecker checker_;
};

// Writes the received bytes to `receivePath` and the report line to `reportPath` (each skipped
// when empty), and always prints the report on stderr.
void SaveDownload(DownloadReceiver& download, const std::string& receivePath, const std::string& reportPath);

}  // namespace velmora_sim
