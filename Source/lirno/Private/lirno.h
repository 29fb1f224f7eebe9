// The plug-in module: registers its settings section, style, command and menu entries with the
// editor, and runs a translation job when the command is executed.
#pragma once

#include "Module.h"
#include "Registries.h"

#include <memory>
#include <mutex>

namespace lirno
{
class FlirnoModule : public host::IModuleInterface
{
public:
    ~FlirnoModule() override;
    void StartupModule() override;
    void ShutdownModule() override;
    bool SupportsDynamicReloading() override { return true; }
    bool SupportsAutomaticShutdown() override { return true; }
    bool IsGameModule() const override { return false; }

    // The translate action bound to PluginAction.
    void OnPluginAction();

    const std::shared_ptr<host::FUICommandList>& CommandList() const { return PluginCommands; }

private:
    void RegisterMenus();

    std::recursive_mutex ActionLock;
    std::shared_ptr<host::FUICommandList> PluginCommands;
};
} // namespace lirno

// The module library's only exported symbol.
extern "C" __attribute__((visibility("default"))) host::IModuleInterface* InitializeModule();
