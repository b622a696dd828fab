#pragma once

#include <QStringView>

// The lines by which the board announces the program it starts. Header only: the window's program detection and
// the flasher's check after the final reset read the same texts.
inline constexpr QStringView kBootLoaderBanner = u"Boot Loader Initialized";
inline constexpr QStringView kLineCardBanner = u"Line Card Application Initialized";
inline constexpr QStringView kCpeBanner = u"CPE Application Initialized";
