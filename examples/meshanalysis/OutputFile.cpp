#include "OutputFile.h"

#include "Command.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>

OutputFile::OutputFile(std::string path) : m_path(std::move(path))
{
    if (m_path.empty()) throw UsageError("an output file needs a name");
    // A directory, a pipe or a device is not a file to fill and remove again.
    struct stat status;
    if (stat(m_path.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        throw std::runtime_error("cannot write " + m_path + ": not a regular file");
    errno = 0;
    m_stream.open(m_path, std::ios::binary | std::ios::trunc);
    if (!m_stream)
    {
        int const reason = errno;
        throw std::runtime_error("cannot write " + m_path + (reason ? std::string(": ") + std::strerror(reason) : ""));
    }
}

OutputFile::~OutputFile()
{
    if (m_path.empty() || m_kept) return;
    m_stream.close();
    std::remove(m_path.c_str());
}

void OutputFile::Keep()
{
    m_stream.close();
    if (!m_stream) throw std::runtime_error("cannot write " + m_path);
    m_kept = true;
}
