// Fixtures for the host's tests: temporary projects and plug-in folders, a console that
// captures its output.
#pragma once

#include "Console.h"

#include <cstdio>
#include <memory>
#include <string>

namespace host::test
{
// A folder of this test process's own under the system's temporary folder, removed at exit, so
// that test runs side by side never share files.
const std::string& TestRoot();

// A fresh folder under TestRoot(), holding "<name>.project" and Config/.
std::string MakeProject(const std::string& folderName, const std::string& name = "Demo");
// Makes <folderName>/HostTest/ holding HostTest.plugin and Binaries/libhosttestmodule.so, and
// returns that plug-in base folder.
std::string MakeTestPluginFolder(const std::string& folderName);

class FCapturedConsole
{
public:
    explicit FCapturedConsole(bool redraw = false);
    ~FCapturedConsole();
    FConsole& Console() { return *Console_; }
    std::string Text();

private:
    char* Buffer = nullptr;
    std::size_t Size = 0;
    std::FILE* Stream = nullptr;
    std::unique_ptr<FConsole> Console_;
};

} // namespace host::test
