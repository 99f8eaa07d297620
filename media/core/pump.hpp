// The window's message pump: one bounded step a call, blocking while the
// window is inactive unless the program keeps running then.
#pragma once

// One step: up to five messages, then the per-pass work (MIDI, keyboard,
// joypad, network, the active key-input field). 0, or -1 once quit has been
// requested.
int PumpWindowMessages();
// Pumps while the window is inactive (unless it is a user window, being
// painted, or the program keeps running while inactive in windowed mode).
void WaitWhileInactive();

// The call guard: a recursive lock whose waiting threads take it in their
// order of arrival (at most 4096 wait; a thread beyond them sleeps 1 ms and
// tries again). Taken by start-up and the application's pump.
void AcquireCallGuard();
void ReleaseCallGuard();
// AcquireCallGuard, PumpWindowMessages, ReleaseCallGuard.
int PumpWindowMessagesGuarded();
