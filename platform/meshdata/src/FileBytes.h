#pragma once
// The whole content of a file in one buffer.
#include "LargePageBuffer.h"
#include <cstddef>
#include <string>

namespace MeshFiles
{
class FileBytes
{
public:
    // Throws MStlFileError, naming the path, when the file cannot be opened or read, or is no
    // regular file (a directory, a named pipe, a device, a socket: refused without waiting).
    explicit FileBytes(std::string const& path);
    char const* Data() const { return static_cast<char const*>(m_data.Data()); }
    std::size_t Size() const { return m_size; }

private:
    void Load(std::string const& path, int fd);
    void LoadStream(std::string const& path, int fd);

    LargePageBuffer m_data;
    std::size_t m_size = 0;
};
} // namespace MeshFiles
