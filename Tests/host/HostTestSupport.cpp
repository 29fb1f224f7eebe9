#include "HostTestSupport.h"

#include "Paths.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace host::test
{
namespace fs = std::filesystem;

const std::string& TestRoot()
{
    static const testsupport::FTempFolder root("hosttests");
    static const std::string path = root.Path().string() + "/";
    return path;
}

std::string MakeProject(const std::string& folderName, const std::string& name)
{
    const std::string dir = TestRoot() + folderName + "/";
    fs::remove_all(dir);
    fs::create_directories(dir + "Config");
    fs::create_directories(dir + "Content");
    File::WriteAllText(dir + name + ".project",
                       "{\"FileVersion\": 1, \"Name\": \"" + name + "\", \"Description\": \"test\"}");
    return dir;
}

std::string MakeTestPluginFolder(const std::string& folderName)
{
    const std::string dir = TestRoot() + folderName + "/";
    fs::remove_all(dir);
    fs::create_directories(dir + "HostTest/Binaries");
    File::WriteAllText(
        dir + "HostTest/HostTest.plugin",
        R"({"FileVersion": 3, "VersionName": "0.1", "Modules": [{"Name": "hosttestmodule", "Type": "Editor"}]})");
    fs::copy_file(HOSTTEST_MODULE_PATH, dir + "HostTest/Binaries/libhosttestmodule.so");
    return dir + "HostTest/";
}

FCapturedConsole::FCapturedConsole(bool redraw)
{
    Stream = open_memstream(&Buffer, &Size);
    Console_ = std::make_unique<FConsole>(Stream, redraw);
}

FCapturedConsole::~FCapturedConsole()
{
    std::fclose(Stream);
    std::free(Buffer);
}

std::string FCapturedConsole::Text()
{
    std::fflush(Stream);
    return std::string(Buffer, Size);
}

} // namespace host::test
