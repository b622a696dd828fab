// The fixed texts by which the board introduces itself.
#pragma once

#include <string_view>

namespace velmora_sim {

constexpr std::string_view kBootLoaderBanner = "Boot Loader Initialized";
constexpr std::string_view kLineCardBanner = "Line Card Application Initialized";
constexpr std::string_view kCpeBanner = "CPE Application Initialized";

// A version line is this prefix (four blanks, "Version:", two blanks) and the version text.
// The texts are told apart by the words "Boot", "Line" and "CPE"; the firmware has none of them.
constexpr std::string_view kVersionPrefix = "    Version:  ";
constexpr std::string_view kBootLoaderVersion = "Boot Loader 1.03";
constexpr std::string_view kLineCardVersion = "Line Card App 4.12";
constexpr std::string_view kCpeVersion = "CPE App 4.12";
constexpr std::string_view kFirmwareVersion = "FPGA 2.07";

}  // namespace velmora_sim
