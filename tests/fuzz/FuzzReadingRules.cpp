#include "status/ReadingRules.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

// Every reading rule on any text, at any position and width: no crash, no undefined behaviour, and the
// results keep the promises the interpreters rely on.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int position = input.ConsumeIntegralInRange(-5, 300);
    const int width = input.ConsumeIntegralInRange(-5, 300);
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));

    const QString field = Field(text, position, width);
    if (field.size() > std::max(width, 0)) {
        std::abort();
    }
    const QString rest = FieldFrom(text, position);
    if (!text.endsWith(rest)) {
        std::abort();
    }
    const std::int64_t decimal = ReadDecimal(field);
    const std::int64_t hex = ReadHex(rest);
    if (ToByte(decimal).has_value() != (decimal >= 0 && decimal <= 255)) {
        std::abort();
    }
    if (hex < -32768) {
        std::abort();  // only four digits can read as negative
    }
    (void)HoldsMarker(text, field);
    (void)ShowNumber(decimal);
    (void)CommandHex(static_cast<std::uint32_t>(hex));
    return 0;
}
