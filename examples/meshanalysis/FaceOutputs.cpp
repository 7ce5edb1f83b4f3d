#include "FaceOutputs.h"

#include "Command.h"
#include "JsonWriter.h"
#include "visual/MeshExports.h"
#include "visual/Picture.h"
#include "visual/PngFile.h"
#include <cstdio>
#include <cstring>
#include <stdexcept>

bool TakeFaceOutputOption(std::vector<std::string> const& args, std::size_t& i, FaceOutputOptions& options)
{
    std::string const& a = args[i];
    if (a == "--json")
    {
        options.json = true;
        return true;
    }
    std::string* path = a == "--csv"   ? &options.csvPath
                        : a == "--ply" ? &options.plyPath
                        : a == "--vtk" ? &options.vtkPath
                        : a == "--png" ? &options.pngPath
                                       : nullptr;
    if (!path) return false;
    if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
    *path = args[++i];
    if (path->empty()) throw UsageError(a + ": an output file needs a name");
    return true;
}

std::string ShortPartName(std::string const& name)
{
    std::size_t const slash = name.find_last_of('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

FaceOutputFiles::FaceOutputFiles(FaceOutputOptions const& options)
{
    std::pair<char const*, std::string const*> const requested[] = {
        {"csv", &options.csvPath}, {"ply", &options.plyPath}, {"vtk", &options.vtkPath}, {"png", &options.pngPath}};
    for (auto const& r : requested)
    {
        if (r.second->empty()) continue;
        for (Entry const& e : m_files)
            if (e.file->Path() == *r.second) throw UsageError("two outputs name the same file " + *r.second);
        m_files.push_back({r.first, std::make_unique<OutputFile>(*r.second)});
    }
}

bool FaceOutputFiles::AnyRequested() const { return !m_files.empty(); }

void FaceOutputFiles::Write(visual::FaceMesh const& mesh, visual::ColourScale const& scale, std::string const& title)
{
    for (Entry& e : m_files) try
        {
            WriteOne(e, mesh, scale, title);
        }
        catch (std::exception const& error)
        {
            throw std::runtime_error(e.file->Path() + ": " + error.what());
        }
}

void FaceOutputFiles::WriteOne(Entry& e, visual::FaceMesh const& mesh, visual::ColourScale const& scale,
                               std::string const& title)
{
    {
        std::ostream& out = e.file->Stream();
        if (std::strcmp(e.kind, "csv") == 0)
            visual::WriteCsv(out, mesh);
        else if (std::strcmp(e.kind, "ply") == 0)
            visual::WritePly(out, mesh, scale, title);
        else if (std::strcmp(e.kind, "vtk") == 0)
            visual::WriteVtk(out, mesh, scale, title);
        else
        {
            visual::PictureOptions options;
            options.title = title;
            visual::WritePng(out, visual::RenderPicture(mesh, scale, options));
        }
        e.file->Keep();
    }
}

void FaceOutputFiles::PrintWritten() const
{
    for (Entry const& e : m_files) std::printf("%s written to %s\n", e.kind, e.file->Path().c_str());
}

void FaceOutputFiles::WriteJson(JsonWriter& json) const
{
    json.Key("files");
    json.BeginObject();
    for (Entry const& e : m_files) json.Field(e.kind, e.file->Path());
    json.EndObject();
}
