#include "IntelHex.h"

#include <algorithm>
#include <cctype>

#include "Text.h"

namespace velmora_sim {

namespace {

// 255 data bytes plus length, address, type and checksum, two digits each.
constexpr size_t kMaxRecordDigits = size_t{255 + 5} * 2;

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Record types and the payload length each one must have (-1: any).
int RequiredLength(uint8_t type) {
    switch (type) {
        case 0x00:
            return -1;
        case 0x01:
            return 0;
        case 0x02:
        case 0x04:
            return 2;
        case 0x03:
        case 0x05:
            return 4;
        default:
            return -2;
    }
}

}  // namespace

void IntelHexChecker::Feed(std::string_view bytes) {
    for (char c : bytes) {
        FeedByte(c);
    }
}

void IntelHexChecker::Finish() {
    if (inRecord_) {
        EndRecord();
    }
}

void IntelHexChecker::FeedByte(char c) {
    if (report_.eofSeen) {
        return;
    }
    if (inRecord_) {
        if (IsHexDigit(c) && digits_.size() < kMaxRecordDigits) {
            digits_.push_back(c);
            return;
        }
        EndRecord();
    }
    if (c == ':') {
        inRecord_ = true;
        digits_.clear();
    }
}

void IntelHexChecker::EndRecord() {
    inRecord_ = false;
    if (digits_.size() % 2 != 0 || digits_.size() < 10) {
        ++report_.formatErrors;
        return;
    }
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < digits_.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(*ParseHex(std::string_view(digits_).substr(i, 2))));
    }
    CheckRecord(bytes);
}

void IntelHexChecker::CheckRecord(const std::vector<uint8_t>& bytes) {
    const unsigned length = bytes[0];
    const uint8_t type = bytes[3];
    const int required = RequiredLength(type);
    if (bytes.size() != length + 5 || required == -2 || (required >= 0 && unsigned(required) != length)) {
        ++report_.formatErrors;
        return;
    }
    unsigned sum = 0;
    for (uint8_t b : bytes) {
        sum += b;
    }
    if (sum % 256 != 0) {
        ++report_.checksumErrors;
        return;
    }
    ++report_.records;
    const uint32_t value = (uint32_t{bytes[1]} << 8) | bytes[2];
    const uint32_t payload16 = length >= 2 ? (uint32_t{bytes[4]} << 8) | bytes[5] : 0;
    switch (type) {
        case 0x00:
            AddData(base_ + value, length);
            break;
        case 0x01:
            report_.eofSeen = true;
            break;
        case 0x02:
            base_ = payload16 << 4;
            break;
        case 0x04:
            base_ = payload16 << 16;
            break;
        default:
            break;  // start addresses (03, 05) do not affect what gets flashed
    }
}

void IntelHexChecker::AddData(uint32_t address, unsigned length) {
    if (length == 0) {
        return;
    }
    const uint32_t last = address + length - 1;
    report_.lowAddress = report_.anyData ? std::min(report_.lowAddress, address) : address;
    report_.highAddress = report_.anyData ? std::max(report_.highAddress, last) : last;
    report_.anyData = true;
    report_.dataBytes += length;
}

std::string FormatReport(const HexReport& report, size_t bytesReceived) {
    std::string text = "download bytes=" + std::to_string(bytesReceived);
    text += " records=" + std::to_string(report.records);
    text += " data-bytes=" + std::to_string(report.dataBytes);
    text += " addresses=";
    text += report.anyData ? Hex(report.lowAddress, 8) + "-" + Hex(report.highAddress, 8) : "none";
    text += " checksum-errors=" + std::to_string(report.checksumErrors);
    text += " format-errors=" + std::to_string(report.formatErrors);
    text += report.eofSeen ? " eof=yes" : " eof=no";
    text += report.Ok() ? " result=ok" : " result=failed";
    return text;
}

}  // namespace velmora_sim
