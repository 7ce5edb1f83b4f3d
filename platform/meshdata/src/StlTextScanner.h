#pragma once
// Word-by-word reading of the text file formats (ASCII STL, beam lattices), keeping the line number
// so that every complaint can say where the file went wrong.
#include "meshdata/StlIO.h"
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

class StlTextScanner
{
public:
    StlTextScanner(std::string const& name, char const* text, std::size_t size)
        : m_name(name), m_text(text), m_size(size)
    {
    }

    [[noreturn]] void Fail(std::string const& problem) const { throw MStlFileError(m_name + ": " + problem); }

    // The line of the last word read.
    std::size_t WordLine() const { return m_wordLine; }
    std::string Where() const { return "line " + std::to_string(m_wordLine); }

    // Case-insensitive, since some writers use upper-case keywords.
    static bool IsKeyword(std::string_view word, std::string_view keyword)
    {
        if (word.size() != keyword.size()) return false;
        for (std::size_t i = 0; i < word.size(); ++i)
            if ((word[i] | 0x20) != keyword[i]) return false;
        return true;
    }

    // True when only white space is left.
    bool AtEnd()
    {
        SkipSpace(false);
        return m_pos >= m_size;
    }

    // The next word. With sameLine, the word must follow on the current line. expected names what
    // should come, for the message when nothing does.
    std::string_view NextWord(char const* expected, bool sameLine = false)
    {
        if (!SkipSpace(sameLine))
            Fail("line " + std::to_string(m_line) + ": the line ends where " + expected + " should follow");
        if (m_pos >= m_size) Fail("truncated: the file ends where " + std::string(expected) + " should follow");
        m_wordLine = m_line;
        std::size_t const start = m_pos;
        while (m_pos < m_size && !IsSpace(m_text[m_pos])) ++m_pos;
        return std::string_view(m_text + start, m_pos - start);
    }

    void ExpectKeyword(char const* keyword)
    {
        std::string_view const word = NextWord(keyword);
        if (!IsKeyword(word, keyword)) FailUnexpected(word, keyword);
    }

    [[noreturn]] void FailUnexpected(std::string_view word, char const* expected) const
    {
        Fail(Where() + ": expected " + expected + " but found '" + Shortened(word) + "'");
    }

    // The next word as a number; NaN and infinity are returned for the caller to judge.
    double NextNumber(bool sameLine = false)
    {
        std::string_view const word = NextWord("a number", sameLine);
        return ParseNumber(word);
    }

    double ParseNumber(std::string_view word) const
    {
        std::string_view digits = word;
        if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
        double value = 0.0;
        auto const result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        bool const whole = result.ptr == digits.data() + digits.size() && !digits.empty() && digits.front() != '+';
        // Too large or too small for a double: strtod tells overflow (infinity) from underflow (zero).
        if (result.ec == std::errc::result_out_of_range && whole)
            return std::strtod(std::string(digits).c_str(), nullptr);
        if (result.ec != std::errc() || !whole) Fail(Where() + ": '" + Shortened(word) + "' is not a number");
        return value;
    }

    void SkipRestOfLine()
    {
        while (m_pos < m_size && m_text[m_pos] != '\n') ++m_pos;
    }

    // Nothing but white space (or, when allowed, a '#' comment) may follow on the current line.
    void ExpectEndOfLine(bool allowComment)
    {
        if (!SkipSpace(true) || m_pos >= m_size) return;
        if (allowComment && m_text[m_pos] == '#')
        {
            SkipRestOfLine();
            return;
        }
        std::string_view const word = NextWord("the end of the line");
        Fail(Where() + ": unexpected '" + Shortened(word) + "' at the end of the line");
    }

private:
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

    static std::string Shortened(std::string_view word)
    {
        return word.size() <= 40 ? std::string(word) : std::string(word.substr(0, 40)) + "...";
    }

    // Skips white space; with sameLine it stops at a line end and returns false there.
    bool SkipSpace(bool sameLine)
    {
        while (m_pos < m_size && IsSpace(m_text[m_pos]))
        {
            if (m_text[m_pos] == '\n')
            {
                if (sameLine) return false;
                ++m_line;
            }
            ++m_pos;
        }
        return true;
    }

    std::string const& m_name;
    char const* m_text;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    std::size_t m_wordLine = 1;
};
