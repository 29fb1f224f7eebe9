#include "ProjectPaths.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <vector>

namespace host
{
namespace fs = std::filesystem;

std::string AsFolder(const std::string& path)
{
    std::string absolute = ConvertToAbsolutePath(path);
    if (absolute.empty() || absolute.back() != '/')
    {
        absolute += '/';
    }
    return absolute;
}

std::string EngineDirOfRunningProgram()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
    {
        return AsFolder(".");
    }
    return AsFolder(exe.parent_path().parent_path().string());
}

std::optional<FProjectDescriptor> LoadProject(const std::string& projectDir, std::string& error)
{
    const auto fail = [&error](std::string why)
    {
        error = std::move(why);
        return std::nullopt;
    };
    std::error_code ec;
    std::vector<fs::path> files;
    // The project file itself names its folder as well.
    if (fs::is_regular_file(projectDir, ec) && fs::path(projectDir).extension() == ".project")
    {
        files.push_back(projectDir);
    }
    else if (!fs::is_directory(projectDir, ec))
    {
        return fail(fs::exists(projectDir, ec)
                        ? projectDir + " is neither a project folder nor a <Name>.project file"
                        : "project folder " + projectDir + " does not exist");
    }
    else
    {
        // Error codes throughout: the range-for's increment would throw.
        for (fs::directory_iterator it(projectDir, ec), end; !ec && it != end; it.increment(ec))
        {
            std::error_code entryError; // a dangling link is no project file, not the end of the folder
            if (it->is_regular_file(entryError) && it->path().extension() == ".project")
            {
                files.push_back(it->path());
            }
        }
    }
    if (files.empty())
    {
        return fail("no project file (<Name>.project) in " + projectDir);
    }
    if (files.size() > 1)
    {
        return fail("more than one project file in " + projectDir);
    }
    const std::string path = ConvertToAbsolutePath(files.front().string());
    std::string text;
    if (!File::ReadAllText(path, text))
    {
        return fail("cannot read project file " + path);
    }
    const auto json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object())
    {
        return fail("project file " + path + " is not a JSON object");
    }
    FProjectDescriptor project;
    project.FilePath = path;
    project.Name = files.front().stem().string();
    if (const auto it = json.find("Name"); it != json.end() && it->is_string())
    {
        project.Name = it->get<std::string>();
    }
    if (const auto it = json.find("Description"); it != json.end() && it->is_string())
    {
        project.Description = it->get<std::string>();
    }
    if (const auto it = json.find("FileVersion"); it != json.end() && it->is_number_integer())
    {
        project.FileVersion = it->get<int>();
    }
    return project;
}

FProjectPaths::FProjectPaths(const FProjectDescriptor& project, const std::string& engineDir)
    : Project(AsFolder(fs::path(project.FilePath).parent_path().string())), Engine(AsFolder(engineDir)),
      ProjectFile(project.FilePath)
{
}
} // namespace host
