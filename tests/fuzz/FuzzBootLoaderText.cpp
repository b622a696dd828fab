#include "FuzzWindow.h"

#include <fuzzer/FuzzedDataProvider.h>

// Boot-loader text in pieces of any size, in each phase of a download, mixed with send events; every run ends
// through EndDownload, which must be safe whatever state the text left behind.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TestWindow& t = FuzzWindow();
    FuzzedDataProvider input(data, size);
    DownloadState& state = t.Window.Session.Download.State;
    state.DownloadActive = true;
    state.DownloadPhase = input.ConsumeIntegralInRange<std::int32_t>(0, 2);
    state.ReplyLine.clear();
    while (input.remaining_bytes() > 0 && state.DownloadActive) {
        const std::string piece = input.ConsumeRandomLengthString(2048);
        t.Port.Receive(QByteArray::fromStdString(piece));
        if (input.ConsumeBool()) {
            t.Port.RaiseSendEvent();
        }
    }
    if (state.DownloadActive) {
        t.Window.Session.Download.EndDownload(DownloadEnd::Aborted);
    }
    t.Port.ClearSends();
    t.Prompts.Warnings.clear();
    return 0;
}
