// Input devices: keyboard, mouse buttons and joypads.
#pragma once

// Takes the devices back after the window was activated; 0.
int ReacquireInputDevices();
// Applies the joypads' force-feedback effects to the window's activation; 0.
int ApplyJoypadEffects();
// Reads the keyboard state, at most once a millisecond and only on the
// window's thread, after one more pump pass: 1 when it read, else 0.
int RefreshKeyboardState();
// Runs the joypads' vibration timers once per pump pass; 0.
int ProcessJoypadVibration();
// Flags the private messages 1135 and 1136 set and clear; nothing reads them.
void SetMessageFlag1135();
void ClearMessageFlag1135();
void SetMessageFlag1136();
void ClearMessageFlag1136();
// Starts keyboard, mouse and joypad input: 0, or -1 (start-up then fails).
int StartInput();
// Ends the input devices; 0. The next key read starts input again.
int ShutdownDirectInput();
// 256 bytes by device key code, 1 down, 0 up: 0. When input has not started
// it is started instead and its result returned, the buffer left as it was;
// -1 for a null buffer.
int GetKeyStateTable(char* buffer);
// 1 when the key of this device code is down, else 0 (also for a code
// outside 0 to 255, and when the call had to start input).
int IsKeyDown(int code);
// Pressed mouse buttons: bit 0 left, 1 right, 2 middle. A button pressed
// since the last call shows even when it was released meanwhile, so a click
// shorter than a frame reads down once, then up.
int GetMouseButtonMask();
// Ends the vibration of a pad (numbered from 1, bit 0x1000 ignored): 0, or
// the result of starting input when it had not started.
int StopJoypadVibration(int pad);
