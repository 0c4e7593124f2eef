#pragma once
// The program's message pump: long work on the one user-interface thread calls
// ProcessMessages at fixed points, and this pump processes the window's events at most every
// 10 ms: often enough that a click on Cancel is taken at once, seldom enough that a fast
// read does not spend itself repainting.

// Installs the pump (platform/events.h); SetMessagePump({}) removes it.
void InstallThrottledMessagePump();
