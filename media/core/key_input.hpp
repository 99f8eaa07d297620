// Key-input handles and the typed-character stock: the window procedure
// stocks typed bytes and editing keys, the active field takes them.
#pragma once

// Appends one byte to the stock: 0, or -1 when it is full.
int StockTypedChar(unsigned char byte);
// The next character's bytes into buffer[0..1] (zeroed first): 2 for a lead
// byte with its trail, 1 for any other byte, 0 when the stock is empty or
// holds only a lead byte so far. Without consume the stock is left as it was.
int TakeTypedChar(char buffer[2], int consume);
// Drops what the stock holds, pumping messages meanwhile; returns 0.
int DiscardTypedChars();
// 1 for the control codes the editing keys stock (Delete, arrows, Home, End,
// Page Up, Page Down), else 0.
int IsControlCode(unsigned char byte);

namespace media::core {
struct KEYINPUT;
}

// A field of max_length bytes with its options: a handle, or -1 when all
// 256 are in use, the length is negative or its text cannot be allocated.
// The first field switches the input method on.
int CreateKeyInput(int max_length, int cancel_allowed, int single_byte_only, int numeric_only);
// 0, or -1 for an invalid handle. The last field switches the input method off.
int DestroyKeyInput(int handle);
// Makes the field the one that takes typed characters (-1: none), editing
// again when it had finished: 0, or -1 for any other value that is not a
// valid handle.
int ActivateKeyInput(int handle);
// The text, cut at the field's maximum length; cursor at its end: 0 or -1.
int SetKeyInputText(const char* text, int handle);
// The text with its NUL into buffer (maximum length + 1 bytes): 0 or -1.
int GetKeyInputText(char* buffer, int handle);
// 2 cancelled, 1 finished, 0 editing, -1 invalid handle.
int GetKeyInputState(int handle);
// Removes the selected bytes and puts the cursor where they began; 0.
int DeleteKeyInputSelection(media::core::KEYINPUT* record);
// Bytes of the first count characters; a lead byte before the NUL is one.
int CharCountToBytes(const char* text, int count);
// Characters needed to cover count bytes (or the whole text).
int ByteCountToChars(const char* text, int count);

// The active field consumes the stock: 0, or -1 when the active handle is
// no longer valid.
int UpdateKeyInput();
// Empties the stock and the fields, sets the drawing style's defaults; 0.
int StartKeyInputSystem();
// Destroys every field; 0.
int EndKeyInputSystem();
