// Memory helpers of the media layer. A length <= 0 does nothing.
#pragma once

// Fills length bytes with the byte.
void MemFill(void* buffer, int byte, int length);
// Copies length bytes front to back; the buffers must not overlap.
void MemCopy(void* destination, const void* source, int length);
// Copies length bytes between buffers that may overlap; returns destination.
void* MemMove(void* destination, const void* source, int length);
// 0 when the length bytes are equal, 1 otherwise.
int MemCompare(const void* a, const void* b, int length);
