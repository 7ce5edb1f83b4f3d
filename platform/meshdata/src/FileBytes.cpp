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
    // Without O_NONBLOCK, opening a named pipe waits for a writer, possibly forever; what is not a
    // regular file is refused right after the open anyway.
    int const fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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

namespace
{
char const* KindOf(mode_t mode)
{
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}
} // namespace

void FileBytes::Load(std::string const& path, int fd)
{
    struct stat info;
    if (::fstat(fd, &info) != 0) Fail(path, std::string("cannot read: ") + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        Fail(path, std::string("cannot read: ") + KindOf(info.st_mode) + ", not a regular file");
    // Regular files never block; reads of files whose size the system reports as 0 (those of /proc
    // and /sys) still run to their end.
    m_size = std::size_t(info.st_size);
    if (m_size == 0)
    {
        LoadStream(path, fd);
        return;
    }
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

void FileBytes::LoadStream(std::string const& path, int fd)
{
    std::string content;
    char chunk[65536];
    for (;;)
    {
        ssize_t const n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(path, std::string("cannot read: ") + std::strerror(errno));
        if (n == 0) break;
        content.append(chunk, std::size_t(n));
    }
    m_size = content.size();
    m_data = LargePageBuffer(m_size + 1);
    if (m_size) std::memcpy(m_data.Data(), content.data(), m_size);
}
} // namespace MeshFiles
