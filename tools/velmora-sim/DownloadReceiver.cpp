#include "DownloadReceiver.h"

#include <cstdio>
#include <fstream>

namespace velmora_sim {

namespace {

constexpr std::string_view kResetRequest = "reset\r\n";
constexpr std::string_view kBareLineEnd = "\r\n";

void WriteFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) {
        return;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        (void)std::fprintf(stderr, "velmora-sim: cannot write %s\n", path.c_str());
    }
}

}  // namespace

bool DownloadReceiver::Feed(char c) {
    received_.push_back(c);
    // "reset" holds letters that are no hex digits, so the checker treats it as filler.
    checker_.Feed(std::string_view(&c, 1));
    if (!received_.ends_with(kResetRequest)) {
        return false;
    }
    received_.resize(received_.size() - kResetRequest.size());
    if (received_.ends_with(kBareLineEnd)) {
        received_.resize(received_.size() - kBareLineEnd.size());
    }
    return true;
}

void SaveDownload(DownloadReceiver& download, const std::string& receivePath, const std::string& reportPath) {
    download.Finish();
    const std::string report = FormatReport(download.Report(), download.Received().size());
    (void)std::fprintf(stderr, "velmora-sim: %s\n", report.c_str());
    WriteFile(receivePath, download.Received());
    WriteFile(reportPath, report + "\n");
}

}  // namespace velmora_sim
