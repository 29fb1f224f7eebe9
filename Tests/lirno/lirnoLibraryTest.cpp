// The built module library, loaded as the editor loads it.
#include "FakeHost.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace
{
TEST(lirnoLibrary, ExportsOnlyTheEntryAndStartsAModule)
{
    auto fakeHost = std::make_unique<fake::FakeHost>();
    host::Install(fakeHost.get());
    fakeHost->PluginRegistry.Add(
        host::FPluginInfo{"lirno", LIRNO_BASE_DIR, LIRNO_BASE_DIR "lirno.plugin", LIRNO_VERSION});
    void* library = dlopen(LIRNO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<host::FInitializeModuleFunc>(dlsym(library, host::InitializeModuleSymbol));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(dlsym(library, "_ZN5lirno12FlirnoModule14OnPluginActionEv"), nullptr);
    EXPECT_EQ(dlsym(library, "zip_create_file"), nullptr);

    // Loading registered the reflected types and log categories.
    EXPECT_NE(host::FindStruct("/Script/lirno.lirnoSetting"), nullptr);
    std::vector<std::string> categories;
    for (const auto* category : host::RegisteredLogCategories())
    {
        categories.push_back(category->Name());
    }
    EXPECT_NE(std::find(categories.begin(), categories.end(), "LogLirno"), categories.end());
    EXPECT_NE(std::find(categories.begin(), categories.end(), "lirnoHelperLog"), categories.end());

    host::IModuleInterface* module = entry();
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(module->SupportsDynamicReloading());
    EXPECT_FALSE(module->IsGameModule());
    module->StartupModule();
    EXPECT_NE(fakeHost->BindingRegistry.FindCommand("lirno.PluginAction"), nullptr);
    module->ShutdownModule();
    EXPECT_EQ(fakeHost->BindingRegistry.Find("lirno"), nullptr);
    delete module;

    // The host drops the objects it made from the library's types before the library goes.
    host::Install(nullptr);
    fakeHost.reset();
    dlclose(library);
    EXPECT_EQ(host::FindStruct("/Script/lirno.lirnoSetting"), nullptr) << "unloading unregisters the types";
}
} // namespace
