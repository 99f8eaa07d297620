// String helpers of the media layer over NUL-terminated Shift-JIS bytes: a
// lead byte and the byte after it are one character, so a trail byte is never
// taken for a separator or a letter. A lead byte followed by the NUL ends the
// string; no helper reads past the NUL.
#pragma once

namespace media::core {

// True for the first byte of a two-byte Shift-JIS character.
inline bool is_lead_byte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Bytes of the character at text: 2 for a lead byte followed by a byte other
// than the NUL, else 1.
inline int char_bytes(const char* text)
{
    return is_lead_byte(static_cast<unsigned char>(text[0])) && text[1] != '\0' ? 2 : 1;
}

}  // namespace media::core

// 1 when the byte starts a two-byte character of the character set (1
// Shift-JIS, 2 Hangul: every byte of 0x80 or more; others as Shift-JIS),
// else 0; 0 for a null pointer.
int IsLeadByteForCharSet(const char* byte, int char_set);

// Copies source with its NUL.
void StrCopy(char* destination, const char* source);
// Copies at most count bytes of source, stopping at its NUL, then writes a
// NUL: destination needs count + 1 bytes. A count <= 0 gives "".
void StrCopyN(char* destination, const char* source, int count);
// Appends source to the end of destination.
void StrAppend(char* destination, const char* source);
// The first occurrence of the byte outside double-byte characters (the NUL
// itself for 0), or null.
char* StrFindChar(const char* text, int byte);
// 0 when the strings are equal, 1 when they differ (no ordering).
int StrCompare(const char* a, const char* b);
// 0 when the first count bytes are equal, 1 otherwise. Both strings ending
// together within count bytes counts as equal: nothing past a NUL is read.
int StrCompareN(const char* a, const char* b, int count);
// a-z to A-Z in place; double-byte characters stay as they are.
void StrUpper(char* text);

// The value's digits in base 2 to 36 (lower-case letters above 9, '-' before
// the magnitude of a negative value, INT_MIN included), NUL-terminated;
// output needs 34 bytes. A base outside 2 to 36 writes "". Returns output.
char* IntToText(int value, char* output, int base);
