// Font handles and the font system.
#pragma once

// Prepares the font system at graphics start; 0.
int StartFontSystem();
// Drops every font's cache; 0.
int ResetFontSystem();
// Ends the font system; 0.
int EndFontSystem();
