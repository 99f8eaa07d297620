// Input devices: keyboard, mouse buttons and joypads.
#pragma once

// Takes the devices back after the window was activated; 0.
int ReacquireInputDevices();
// Applies the joypads' force-feedback effects to the window's activation; 0.
int ApplyJoypadEffects();
// Reads the keyboard state once per pump pass; 0.
int RefreshKeyboardState();
// Runs the joypads' vibration timers once per pump pass; 0.
int ProcessJoypadVibration();
// Flags the private messages 1135 and 1136 set and clear.
void SetMessageFlag1135();
void ClearMessageFlag1135();
void SetMessageFlag1136();
void ClearMessageFlag1136();
// Starts keyboard, mouse and joypad input: 0, or -1 (start-up then fails).
int StartInput();
// Ends the input devices; 0.
int ShutdownDirectInput();
