#include "replies/Banners.h"
#include "session/Session.h"
#include "status/ReadingRules.h"

#include <optional>
#include <span>

namespace {

// A line by which the board announces the program it now runs.
struct Banner {
    QStringView Marker;
    std::int32_t Program = 0;
};

// Tested in order; the first banner a line holds wins.
constexpr Banner kBannersWithoutProgram[] = {
    {kBootLoaderBanner, kBootLoader},
    {kLineCardBanner, kLineCardApp},
    {kCpeBanner, kCpeApp},
    {u"Maximum CPU%", kBootLoader},
};
constexpr Banner kBannersInBootLoader[] = {
    {kLineCardBanner, kLineCardApp},
    {kCpeBanner, kCpeApp},
    // The answers to "help" tell the two applications apart.
    {u"cpe_reset #", kLineCardApp},
    {u"Stops Application", kCpeApp},
};
// An application restarts only through its boot loader; its own banners change nothing.
constexpr Banner kBannersInApplication[] = {
    {kBootLoaderBanner, kBootLoader},
};

std::optional<std::int32_t> AnnouncedProgram(const QString& line, std::span<const Banner> banners) {
    for (const Banner& banner : banners) {
        if (HoldsMarker(line, banner.Marker.toString())) {
            return banner.Program;
        }
    }
    return std::nullopt;
}

using Interpreter = bool (Session::*)(const QString&);

// A line goes to every interpreter in this order until one abandons it.
constexpr Interpreter kInterpreters[] = {
    &Session::ParseVersionReply, &Session::ParseSignalStrength, &Session::ParseSwitchSettings,
    &Session::ParseEepromReply,  &Session::ParseSfdLossCount,   &Session::ParseOpStatus,
    &Session::ParseHookState,    &Session::ParseRingState,      &Session::ParseTemperature,
};

}  // namespace

void Session::InterpretReplyLine() {
    // A copy: the layout switch and the interpreters must all see the line as it arrived.
    const QString line = State.ReplyLine;
    // Every banner of a program's table names another program, so a banner found is always a change.
    const auto switchTo = [this](std::optional<std::int32_t> program) {
        if (program) {
            EnterProgram(*program);
        }
    };
    switch (State.ActiveProgram) {
        case kNoProgram:
            switchTo(AnnouncedProgram(line, kBannersWithoutProgram));
            return;
        case kBootLoader:
            switchTo(AnnouncedProgram(line, kBannersInBootLoader));
            ParseVersionReply(line);
            return;
        case kLineCardApp:
        case kCpeApp:
            if (const auto program = AnnouncedProgram(line, kBannersInApplication)) {
                switchTo(program);
                return;
            }
            for (const Interpreter interpreter : kInterpreters) {
                if (!(this->*interpreter)(line)) {
                    return;  // abandoned: what was written stays, the rest do not see the line
                }
            }
            return;
        default:
            return;
    }
}
