// String helpers over Shift-JIS bytes.
#include "media/core/text.hpp"

using media::core::char_bytes;

void StrCopy(char* destination, const char* source)
{
    while ((*destination++ = *source++) != '\0') {
    }
}

void StrCopyN(char* destination, const char* source, int count)
{
    for (; count > 0 && *source != '\0'; --count)
        *destination++ = *source++;
    *destination = '\0';
}

void StrAppend(char* destination, const char* source)
{
    while (*destination != '\0')
        ++destination;
    StrCopy(destination, source);
}

char* StrFindChar(const char* text, int byte)
{
    const char wanted = static_cast<char>(byte);
    for (;;) {
        const int n = char_bytes(text);
        if (n == 1 && *text == wanted)
            return const_cast<char*>(text);
        if (*text == '\0')
            return nullptr;
        text += n;
    }
}

int StrCompare(const char* a, const char* b)
{
    for (; *a == *b; ++a, ++b) {
        if (*a == '\0')
            return 0;
    }
    return 1;
}

int StrCompareN(const char* a, const char* b, int count)
{
    for (; count > 0; --count, ++a, ++b) {
        if (*a != *b)
            return 1;
        if (*a == '\0')
            return 0;
    }
    return 0;
}

void StrUpper(char* text)
{
    while (*text != '\0') {
        const int n = char_bytes(text);
        if (n == 1 && *text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
        text += n;
    }
}

char* IntToText(int value, char* output, int base)
{
    if (base < 2 || base > 36) {
        output[0] = '\0';
        return output;
    }
    // the magnitude in unsigned arithmetic, so INT_MIN has one too
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    char digits[32];
    int n = 0;
    do {
        const unsigned d = magnitude % static_cast<unsigned>(base);
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + (d - 10));
        magnitude /= static_cast<unsigned>(base);
    } while (magnitude != 0);
    char* p = output;
    if (value < 0)
        *p++ = '-';
    while (n > 0)
        *p++ = digits[--n];
    *p = '\0';
    return output;
}

int IsLeadByteForCharSet(const char* byte, int char_set)
{
    if (byte == nullptr)
        return 0;
    const unsigned char b = static_cast<unsigned char>(*byte);
    if (char_set == 2)
        return b >= 0x80 ? 1 : 0;
    return media::core::is_lead_byte(b) ? 1 : 0;
}
