#pragma once
// The per-face outputs that the thickness, collision and quality subcommands share: --csv, --ply,
// --vtk and --png files, and --json on stdout instead of the text report.
#include "OutputFile.h"
#include "visual/ColourScale.h"
#include "visual/FaceMesh.h"
#include <memory>
#include <string>
#include <vector>

class JsonWriter;

struct FaceOutputOptions
{
    std::string csvPath, plyPath, vtkPath, pngPath;
    bool json = false;
};

// When args[i] is one of the options above, takes it (and its value, advancing i) and returns true.
bool TakeFaceOutputOption(std::vector<std::string> const& args, std::size_t& i, FaceOutputOptions& options);

// The part's name without its folders, to keep titles short.
std::string ShortPartName(std::string const& name);

// The usage text of the options above.
constexpr char const* kFaceOutputUsage = "[--csv FILE] [--ply FILE] [--vtk FILE] [--png FILE] [--json]";

// Opens every requested file at once (see OutputFile), then writes them from one FaceMesh.
class FaceOutputFiles
{
public:
    explicit FaceOutputFiles(FaceOutputOptions const& options);

    bool AnyRequested() const;
    // Writes and keeps every requested file; `title` heads the picture and the PLY / VTK files.
    void Write(visual::FaceMesh const& mesh, visual::ColourScale const& scale, std::string const& title);
    // "per-face values written to ..." lines, or a "files" member of the JSON object.
    void PrintWritten() const;
    void WriteJson(JsonWriter& json) const;

private:
    struct Entry
    {
        char const* kind; // csv, ply, vtk, png
        std::unique_ptr<OutputFile> file;
    };
    static void WriteOne(Entry& e, visual::FaceMesh const& mesh, visual::ColourScale const& scale,
                         std::string const& title);

    std::vector<Entry> m_files;
};
