// The service is used from the editor's main thread and the job's status worker at once; these
// run under ThreadSanitizer too.
#include "DemoProject.h"
#include "LocalizationProcess.h"
#include "LocalizationService.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
TEST(LocalizationThreads, TargetsCanBeReadWhileTheSettingsChange)
{
    loctest::FDemoProject demo;
    const auto service = host::CreateLocalizationService(demo.Paths());
    const std::string original = demo.Read("Config/DefaultEditor.ini");
    std::thread reader(
        [&]
        {
            for (int i = 0; i < 300; ++i)
            {
                for (const auto& target : service->GameTargets())
                {
                    EXPECT_TRUE(target->Name == "Game" || target->Name == "Menus" || target->Name == "Other");
                    EXPECT_FALSE(service->IsEngineTarget(*target));
                }
            }
        });
    for (int i = 0; i < 100; ++i)
    {
        demo.Write("Config/DefaultEditor.ini", i % 2 == 0 ? "[Localization]\nTarget=Other\n" : original);
        service->GameTargets();
    }
    reader.join();
}

TEST(LocalizationThreads, ReleasedProcessesAreReapedInTheBackground)
{
    for (int i = 0; i < 20; ++i)
    {
        auto process = host::StartLocalizationProcess("/bin/sh", {"-c", "exit 0"});
        ASSERT_NE(process, nullptr);
    }
}
} // namespace
