#include "FileBytes.h"

#include "InternalUnits.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MeshFiles
{
FileBytes::FileBytes(std::string const& path)
{
    int const fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail(path, std::string("cannot open: ") + std::strerror(errno));
    try
    {
        Load(path, fd);
    }
    catch (...)
    {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

void FileBytes::Load(std::string const& path, int fd)
{
    struct stat info;
    if (::fstat(fd, &info) != 0) Fail(path, std::string("cannot read: ") + std::strerror(errno));
    if (!S_ISREG(info.st_mode)) Fail(path, "cannot read: not a regular file");
    m_size = std::size_t(info.st_size);
    m_data = LargePageBuffer(m_size + 1);
    char* const data = static_cast<char*>(m_data.Data());
    std::size_t done = 0;
    while (done < m_size)
    {
        ssize_t const n = ::read(fd, data + done, m_size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(path, std::string("cannot read: ") + std::strerror(errno));
        if (n == 0) Fail(path, "cannot read: the file shrank while being read");
        done += std::size_t(n);
    }
}
} // namespace MeshFiles
