#include "FuzzWindow.h"

#include <fuzzer/FuzzedDataProvider.h>

// Received pieces in any state of the window: one byte chooses the program the window believes runs
// (0 to 3, or a value no layout knows); the rest arrives in pieces of random size.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TestWindow& t = FuzzWindow();
    FuzzedDataProvider input(data, size);
    const std::int32_t program = input.ConsumeIntegralInRange<std::int32_t>(0, 4);
    t.Window.State.ActiveProgram = program;
    t.Window.ApplyLayout(program);
    t.Window.State.ReceiveBuffer.clear();
    while (input.remaining_bytes() > 0) {
        const std::string piece = input.ConsumeRandomLengthString(4096);
        t.Port.Receive(QByteArray::fromStdString(piece));
        t.Window.TransmitTimer_Timer();
    }
    t.Port.ClearSends();
    return 0;
}
