#pragma once
// Writes one JSON value (objects, arrays, strings, numbers, booleans, null) to a stream, with the
// commas and escapes in their places. Numbers that JSON cannot hold (NaN, infinities) become null.
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

class JsonWriter
{
public:
    explicit JsonWriter(std::ostream& out) : m_out(out) {}

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // Inside an object: the name of the next value.
    void Key(std::string const& name);

    void Value(std::string const& text);
    void Value(char const* text) { Value(std::string(text)); }
    void Value(double number);
    void Value(long long number);
    void Value(unsigned long long number);
    void Value(int number) { Value((long long)number); }
    void Value(long number) { Value((long long)number); }
    void Value(unsigned long number) { Value((unsigned long long)number); }
    void Value(bool flag);
    void Null();

    // Key and value in one call.
    template <class T>
    void Field(std::string const& name, T const& value)
    {
        Key(name);
        Value(value);
    }

private:
    void BeforeValue();

    std::ostream& m_out;
    // One entry per open object or array: whether it has a member yet.
    std::vector<bool> m_hasMember;
    bool m_afterKey = false;
};

// The text as a JSON string literal, quotes included.
std::string JsonString(std::string const& text);
