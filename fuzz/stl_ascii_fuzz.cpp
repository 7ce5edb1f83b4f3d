// ASCII STL from memory: the input follows a "solid" line, so that every input is read as text.
#include <cstdint>
#include <string>

#include "FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string text = "solid fuzz\n";
    text.append(reinterpret_cast<char const*>(data), size);
    try
    {
        CheckAcceptedMesh(*ReadStlMemory("fuzz.stl", text.data(), text.size()));
    }
    catch (MStlFileError const&)
    {
    }
    return 0;
}
