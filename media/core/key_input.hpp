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

// The active field consumes the stock; 0.
int UpdateKeyInput();
int StartKeyInputSystem();
int EndKeyInputSystem();
