#include "app/GuiMain.h"
#include "app/TerminalView.h"

#include <algorithm>

namespace {

constexpr qsizetype kTerminalLimit = 10000;  // characters kept in the view before it is trimmed
constexpr qsizetype kTerminalTrim = 99;      // characters trimmed at least, once over the limit

}  // namespace

void GuiMain::TextReceived(const QString& piece) {
    AppendToTerminal(piece);
}

void GuiMain::AppendToTerminal(const QString& text) {
    const qsizetype held = terminalContent_.size();
    if (held > kTerminalLimit) {
        // At least 99 characters go, and never fewer than bring the view back to its limit.
        const qsizetype removed = std::max(kTerminalTrim, held - kTerminalLimit);
        terminalContent_.remove(0, removed);
        viewTrimmed_ += removed;
    }
    terminalContent_.append(text);
    // A piece that comes at least half an interval after the one before (the port gathers what arrives in
    // between) shows at once. Faster pieces show together, an interval after the last sync.
    const bool gathered = !sincePiece_.isValid() || sincePiece_.elapsed() >= kTerminalSyncMs / 2;
    sincePiece_.start();
    if (!TerminalShowing()) {
        return;
    }
    if (gathered) {
        SyncTerminalView();
    } else if (!TerminalSyncTimer.isActive()) {
        const qint64 sinceSync = sinceSync_.isValid() ? sinceSync_.elapsed() : kTerminalSyncMs;
        TerminalSyncTimer.start(static_cast<int>(std::max<qint64>(0, kTerminalSyncMs - sinceSync)));
    }
}

bool GuiMain::TerminalShowing() const { return TerminalText->isVisible() && !isMinimized(); }

// The net change since the last sync: trims beyond what the widget held took text the widget never got, so
// that part is not inserted.
void GuiMain::SyncTerminalView() {
    TerminalSyncTimer.stop();
    sinceSync_.start();
    const qsizetype removed = std::min(viewTrimmed_, viewHeld_);
    const QString added = terminalContent_.mid(viewHeld_ - removed);
    viewHeld_ = terminalContent_.size();
    viewTrimmed_ = 0;
    if (removed > 0 || !added.isEmpty()) {
        TerminalText->Edit(removed, added);
    }
}
