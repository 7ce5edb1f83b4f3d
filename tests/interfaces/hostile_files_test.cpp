// Files as a careless or hostile user hands them over: each is written to disk, read back, and
// must be refused with a message that names the file and says what it looks like.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "interfaces/StlFiles.h"
#include "meshdata/BeamGraphIO.h"
#include "stl_bytes.h"

namespace
{

std::string PathFor(std::string const& stem)
{
    return ::testing::TempDir() + "vz_hostile_" + stem + "_" + std::to_string(::getpid());
}

void Write(std::string const& path, std::string const& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string Str(std::vector<char> const& v) { return std::string(v.begin(), v.end()); }

struct HostileFile
{
    char const* what;
    std::string bytes;
    char const* messageFragment;
};

TEST(HostileFiles, StlReaderSaysWhatTheBytesLookLike)
{
    std::string const ascii = vz_test::AsciiStl(vz_test::Tetrahedron());
    std::string const binary = Str(vz_test::BinaryStl(vz_test::Tetrahedron()));
    std::string withNul = ascii;
    withNul[ascii.find("outer")] = '\0';
    std::string withBell = ascii;
    withBell.insert(ascii.find("endloop"), 1, '\a');
    HostileFile const table[] = {
        {"nothing", "", "empty file"},
        {"spaces and newlines", " \n\t\r\n   \n", "no triangles: only whitespace (9 bytes)"},
        {"one newline", "\n", "no triangles: only whitespace"},
        {"NUL inside an ASCII STL", withNul, "binary bytes in an ASCII STL: byte 0x00 at line 3"},
        {"bell inside an ASCII STL", withBell, "binary bytes in an ASCII STL: byte 0x07 at line 7"},
        {"short text", "hello\n", "text that is no ASCII STL: it does not begin with 'solid'"},
        {"a beam graph given as STL", "v 0 0 0\nv 1 0 0\nb 0 1 0.5 0.5\n", "does not begin with 'solid'"},
        {"ASCII STL cut in a facet", ascii.substr(0, ascii.find("endloop")), "truncated"},
        {"binary STL cut short", binary.substr(0, binary.size() - 20), "truncated: the header declares 4"},
        {"binary header only", binary.substr(0, 70), "shorter than the 84-byte header"},
        {"binary STL with a tail", binary + std::string(3, '\0'), "wrong triangle count"},
        {"binary STL whose header starts with solid, cut short",
         Str(vz_test::BinaryStl(vz_test::Tetrahedron(), "solid part")).substr(0, 150), "truncated"},
    };
    for (HostileFile const& file : table)
    {
        std::string const path = PathFor("stl");
        Write(path, file.bytes);
        vz_test::ExpectFileError([&] { ReadStlFile(path); }, path + ": ", file.messageFragment);
        std::remove(path.c_str());
    }
}

TEST(HostileFiles, BeamGraphReaderSaysWhatTheBytesLookLike)
{
    HostileFile const table[] = {
        {"nothing", "", "empty file"},
        {"white space", "\n\n  \n", "no nodes: only whitespace (5 bytes)"},
        {"NUL after a node", std::string("v 0 0 0\n\0v 1 1 1\n", 17),
         "binary bytes in a beam-graph text file: byte 0x00 at line 2"},
        {"a binary STL", Str(vz_test::BinaryStl(vz_test::Tetrahedron())), "binary bytes in a beam-graph text file"},
    };
    for (HostileFile const& file : table)
    {
        std::string const path = PathFor("beams");
        Write(path, file.bytes);
        vz_test::ExpectFileError([&] { ReadBeamGraphFile(path); }, path + ": ", file.messageFragment);
        std::remove(path.c_str());
    }
}

// Opening waits for nothing: a named pipe without a writer, a directory and a device are refused at
// once, naming what they are.
TEST(HostileFiles, MissingFilesAndWhatIsNoRegularFileAreRefusedWithoutWaiting)
{
    std::string const missing = PathFor("missing");
    vz_test::ExpectFileError([&] { ReadStlFile(missing); }, missing + ": cannot open", "");
    vz_test::ExpectFileError([&] { ReadBeamGraphFile(missing); }, missing + ": cannot open", "");
    std::string const fifo = PathFor("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    vz_test::ExpectFileError([&] { ReadStlFile(fifo); }, fifo + ": cannot read", "a named pipe (FIFO)");
    vz_test::ExpectFileError([&] { ReadBeamGraphFile(fifo); }, fifo + ": cannot read", "a named pipe (FIFO)");
    std::remove(fifo.c_str());
    std::string const directory = ::testing::TempDir();
    vz_test::ExpectFileError([&] { ReadStlFile(directory); }, directory + ": cannot read", "a directory");
    vz_test::ExpectFileError([&] { ReadStlFile("/dev/null"); }, "/dev/null: cannot read", "a character device");
}

// Files of /proc report a size of 0 but have content: they are read to their end, so the message is
// about the content, not an empty file.
TEST(HostileFiles, FilesReportingSizeZeroAreReadToTheirEnd)
{
    struct stat info;
    ASSERT_EQ(::stat("/proc/self/status", &info), 0);
    ASSERT_EQ(info.st_size, 0);
    vz_test::ExpectFileError([] { ReadStlFile("/proc/self/status"); },
                             "/proc/self/status: ", "text that is no ASCII STL");
    vz_test::ExpectFileError([] { ReadBeamGraphFile("/proc/self/status"); }, "/proc/self/status: ", "line 1");
}

} // namespace
