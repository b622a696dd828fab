#include "session/Session.h"

#include <algorithm>

namespace {

constexpr qsizetype kReceiveBufferLimit = 1 << 20;  // a peer that never ends a line cannot grow this further
const QString kLineEnd = QStringLiteral("\r\n");

// Drops the text from `from` on; a CR at its very end stays, since it may be the first half of the CR LF that
// ends the dropped line.
void DropLineText(QString& buffer, qsizetype from) {
    const bool endsWithCr = buffer.endsWith(u'\r');
    buffer.truncate(from);
    if (endsWithCr) {
        buffer.append(u'\r');
    }
}

// Adds a piece to the buffer. While the rest of a dropped line is being skipped, the piece's text up to that
// line's CR LF goes too.
void AppendReceived(SessionState& state, const QString& text) {
    QString& buffer = state.ReceiveBuffer;
    if (!state.SkippingLine) {
        buffer.append(text);
        return;
    }
    const qsizetype skipFrom = buffer.endsWith(u'\r') ? buffer.size() - 1 : buffer.size();
    buffer.append(text);
    const qsizetype lineEnd = buffer.indexOf(kLineEnd, skipFrom);
    if (lineEnd < 0) {
        DropLineText(buffer, skipFrom);
        return;
    }
    buffer.remove(skipFrom, lineEnd + kLineEnd.size() - skipFrom);
    state.SkippingLine = false;
}

// Once the complete lines are cut, the buffer holds one unfinished line at most. A peer that never ends it
// cannot grow the buffer past the cap: the line is dropped whole, never read, and its rest is skipped up to
// its CR LF. A CR at the end may be the first half of that CR LF, so it does not count: the line is then kept
// or dropped just as when its CR LF comes in one piece.
void CapUnfinishedLine(SessionState& state) {
    const QString& buffer = state.ReceiveBuffer;
    if (buffer.size() - (buffer.endsWith(u'\r') ? 1 : 0) > kReceiveBufferLimit) {
        DropLineText(state.ReceiveBuffer, 0);
        state.SkippingLine = true;
    }
}

}  // namespace

void Session::OnComm(CommEvent event) {
    if (closed_) {
        return;  // an event queued before the session closed: nothing is shown, logged or sent any more
    }
    switch (event) {
        case CommEvent::Receive: {
            const QString piece = QString::fromLatin1(Port.ReadInput());
            sink_.TextReceived(piece);
            QueueForLog(piece);
            if (Download.Active()) {
                Download.HandleBootLoaderText(piece);
            } else {
                AssembleReplyLine(piece);
            }
            AppendQueuedToLog();
            break;
        }
        case CommEvent::Send:
            Download.SendNextBlock();
            break;
        case CommEvent::PortLost:
            PortLost();
            break;
    }
}

// Every complete line is interpreted in the piece that completes it, in order of arrival: the fields always
// show what the board said last. Lines are cut in one pass and the buffer is shortened once, so a piece of
// many short lines costs no more than its length.
void Session::AssembleReplyLine(const QString& text) {
    // The buffer holds no CR LF yet, though its last CR may pair with an LF that starts the piece.
    const qsizetype searchFrom = std::max<qsizetype>(0, State.ReceiveBuffer.size() - 1);
    AppendReceived(State, text);
    // Cut from a copy of the text: interpreting a line must not move the lines still to be cut.
    const QString received = State.ReceiveBuffer;
    qsizetype lineStart = 0;
    for (qsizetype lineEnd = received.indexOf(kLineEnd, searchFrom); lineEnd >= 0;
         lineEnd = received.indexOf(kLineEnd, lineStart)) {
        const qsizetype length = lineEnd - lineStart;
        // An empty line is only removed; a line longer than the cap is never read, however it arrived.
        if (length > 0 && length <= kReceiveBufferLimit) {
            State.ReplyLine = received.mid(lineStart, length);
            InterpretReplyLine();
        }
        lineStart = lineEnd + kLineEnd.size();
    }
    if (lineStart > 0) {
        State.ReceiveBuffer = received.mid(lineStart);
    }
    CapUnfinishedLine(State);
}

void Session::ClearReceiveBuffer() {
    State.ReceiveBuffer.clear();
    State.SkippingLine = false;
}
