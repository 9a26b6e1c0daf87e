#pragma once

#include <functional>

class QWidget;

namespace varno {

// Runs work that blocks (a transfer) on a worker thread while this thread's event loop keeps turning:
// the windows repaint and a close box is heard (under each window's own closing rule), but the person's
// input is dropped, the windows' buttons are disabled and a busy cursor shows, so nothing else can start
// meanwhile. Returns when the work has ended and rethrows its error. Called from a thread without a Qt
// application, or when no thread can be made, it runs the work in place.
void runKeepingWindowsAlive(const std::function<void()>& work);

// Leaves a widget usable while transfers run (a cancel button: its click asks the window to close, which
// abandons the transfer); the rest of its window's input stays dropped.
void keepUsableDuringTransfers(QWidget& widget);

// Whether the application was asked to quit while a transfer ran: the transfers are then abandoned (see
// HttpClientOptions::abandoned), and the handler that waited for one ends with TransferAbandoned.
bool transfersAbandoned();

} // namespace varno
