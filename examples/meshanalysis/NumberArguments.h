#pragma once
// Numbers on the command line: every option of the program that takes a number reads it here. Each
// function throws UsageError naming the option and the text when the text is not what it needs.
#include <cstddef>
#include <string>
#include <vector>

// A finite decimal number from low to high, the whole text and nothing else.
double ParseNumber(std::string const& option, std::string const& text, double low, double high);

// A whole number from low to high.
int ParseWholeNumber(std::string const& option, std::string const& text, int low, int high);

// Exactly `count` finite numbers separated by commas.
std::vector<double> ParseNumberList(std::string const& option, std::string const& text, std::size_t count);

// A length in millimetres from 0 to 1e6.
double ParseLengthMm(std::string const& option, std::string const& text);
