#pragma once
// A file named on the command line for the program to write. It is opened (created or emptied)
// when the object is made, before any work starts, so that an unwritable path ends the program
// with a one-line error before anything else is printed. Unless Keep() is called, the file is
// removed again when the object goes: a run that fails or is stopped leaves no half-written file.
#include <fstream>
#include <string>

class OutputFile
{
public:
    OutputFile() = default; // no file requested
    // Throws UsageError for an empty path, std::runtime_error ("cannot write PATH: reason") when
    // the file cannot be opened for writing.
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(OutputFile const&) = delete;
    OutputFile& operator=(OutputFile const&) = delete;

    bool IsRequested() const { return !m_path.empty(); }
    std::string const& Path() const { return m_path; }
    std::ostream& Stream() { return m_stream; }
    // Closes the file and keeps it; throws std::runtime_error when it could not be written fully.
    void Keep();

private:
    std::string m_path;
    std::ofstream m_stream;
    bool m_kept = false;
};
