#include "JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string JsonString(std::string const& text)
{
    std::string quoted = "\"";
    for (unsigned char c : text)
    {
        switch (c)
        {
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        case '\n': quoted += "\\n"; break;
        case '\r': quoted += "\\r"; break;
        case '\t': quoted += "\\t"; break;
        default:
            if (c < 0x20)
            {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                quoted += escape;
            }
            else
                quoted += char(c); // UTF-8 bytes pass through as they are
        }
    }
    return quoted + "\"";
}

void JsonWriter::BeforeValue()
{
    if (m_afterKey)
    {
        m_afterKey = false;
        return;
    }
    if (!m_hasMember.empty())
    {
        if (m_hasMember.back()) m_out << ',';
        m_hasMember.back() = true;
    }
}

void JsonWriter::BeginObject()
{
    BeforeValue();
    m_out << '{';
    m_hasMember.push_back(false);
}

void JsonWriter::EndObject()
{
    m_hasMember.pop_back();
    m_out << '}';
    if (m_hasMember.empty()) m_out << '\n';
}

void JsonWriter::BeginArray()
{
    BeforeValue();
    m_out << '[';
    m_hasMember.push_back(false);
}

void JsonWriter::EndArray()
{
    m_hasMember.pop_back();
    m_out << ']';
    if (m_hasMember.empty()) m_out << '\n';
}

void JsonWriter::Key(std::string const& name)
{
    BeforeValue();
    m_out << JsonString(name) << ':';
    m_afterKey = true;
}

void JsonWriter::Value(std::string const& text)
{
    BeforeValue();
    m_out << JsonString(text);
}

void JsonWriter::Value(double number)
{
    BeforeValue();
    if (!std::isfinite(number))
    {
        m_out << "null";
        return;
    }
    // The shortest of 15 or 17 significant digits that brings the double back exactly.
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", number);
    if (std::strtod(text, nullptr) != number) std::snprintf(text, sizeof text, "%.17g", number);
    m_out << text;
}

void JsonWriter::Value(long long number)
{
    BeforeValue();
    m_out << number;
}

void JsonWriter::Value(unsigned long long number)
{
    BeforeValue();
    m_out << number;
}

void JsonWriter::Value(bool flag)
{
    BeforeValue();
    m_out << (flag ? "true" : "false");
}

void JsonWriter::Null()
{
    BeforeValue();
    m_out << "null";
}
