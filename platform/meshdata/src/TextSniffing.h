#pragma once
// What a file's bytes look like, for messages that say so: text or binary, only white space.
#include <cstddef>
#include <cstdio>
#include <string>

namespace MeshFiles
{
// A byte that no text file holds: a control character other than white space. Bytes from 0x80
// on may be UTF-8 and count as text.
inline bool IsBinaryByte(unsigned char c)
{
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r') || c == 0x7F;
}

inline bool IsOnlyWhitespace(char const* text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        if (text[i] != ' ' && text[i] != '\t' && text[i] != '\n' && text[i] != '\v' && text[i] != '\f' &&
            text[i] != '\r')
            return false;
    return true;
}

// Offset of the first binary byte, or size when there is none.
inline std::size_t FirstBinaryByte(char const* text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        if (IsBinaryByte(static_cast<unsigned char>(text[i]))) return i;
    return size;
}

inline std::size_t CountBinaryBytes(char const* text, std::size_t size)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < size; ++i) n += IsBinaryByte(static_cast<unsigned char>(text[i]));
    return n;
}

// "byte 0x00 at line 3 (offset 17)" for the byte at offset.
inline std::string DescribeByteAt(char const* text, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset; ++i) line += text[i] == '\n';
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", unsigned(static_cast<unsigned char>(text[offset])));
    return std::string("byte ") + hex + " at line " + std::to_string(line) + " (offset " + std::to_string(offset) + ")";
}
} // namespace MeshFiles
