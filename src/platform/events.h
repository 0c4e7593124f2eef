#pragma once
// Pending window messages. Long work on the one user-interface thread calls these at
// fixed points so the window stays alive; without a window they do nothing.

#include <functional>

// Runs the installed pump once (the application installs the Qt event loop's).
void ProcessMessages();

// Waits `milliseconds`, processing messages meanwhile.
void WaitWithMessages(int milliseconds);

// The same, but ends the wait as soon as `stop` answers true (asked every few
// milliseconds); false when it did.
bool WaitWithMessagesUnless(int milliseconds, const std::function<bool()>& stop);

// Installs the pump; an empty function removes it.
void SetMessagePump(std::function<void()> pump);
