#include "FuzzWindow.h"

#include <QComboBox>

#include <fuzzer/FuzzedDataProvider.h>

// Received pieces in any state of the window: one byte chooses the program the window believes runs
// (0 to 3, or a value no layout knows); the rest arrives in pieces of random size.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TestWindow& t = FuzzWindow();
    GuiMain& w = t.Window;
    // Every input starts from the same window: a port change forgets the program and the half-received line,
    // and the CPE store and its fields go back to their start.
    w.CommPortSelect->setCurrentIndex(0);
    w.CommPortSelect->setCurrentIndex(1);
    for (int cpe = 0; cpe < kCpeCount; ++cpe) {
        w.Session.ResetCpeStatus(cpe);
    }
    w.Session.ShowCpeStatus();
    FuzzedDataProvider input(data, size);
    const std::int32_t program = input.ConsumeIntegralInRange<std::int32_t>(0, 4);
    w.Session.State.ActiveProgram = program;
    w.Session.EnterProgram(program);
    while (input.remaining_bytes() > 0) {
        const std::string piece = input.ConsumeRandomLengthString(4096);
        t.Port.Receive(QByteArray::fromStdString(piece));
        w.Session.Tick();
    }
    t.Port.ClearSends();
    return 0;
}
