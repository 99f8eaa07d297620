// The movie decoder's YUV to RGB tables.
#pragma once

// Fills the clamp and coefficient tables; 0.
int BuildYuvToRgbTables();
