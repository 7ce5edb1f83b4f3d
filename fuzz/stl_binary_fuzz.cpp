// Binary STL from memory: the input becomes the triangle records of a file whose header declares
// exactly as many as fit, so that every input reaches the coordinate checks and the point welding.
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::size_t const count = size / 50;
    std::vector<char> file(84 + 50 * count, 0);
    for (int k = 0; k < 4; ++k) file[80 + k] = char((count >> (8 * k)) & 0xFF);
    if (count) std::memcpy(file.data() + 84, data, 50 * count);
    try
    {
        // A small scale keeps most random floats within the 32-bit range.
        CheckAcceptedMesh(*ReadStlMemory("fuzz.stl", file.data(), file.size(), 1.0e-30));
    }
    catch (MStlFileError const&)
    {
    }
    // Unchanged, the bytes also go through the format detection and every message path.
    try
    {
        CheckAcceptedMesh(*ReadStlMemory("fuzz.stl", data, size));
    }
    catch (MStlFileError const&)
    {
    }
    return 0;
}
