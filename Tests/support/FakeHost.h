// An in-process host for unit tests: scripted HTTP answers, recorded dialogs and log lines,
// real registries, configuration and project folders in a temp directory, scripted
// localization steps, and a virtual clock. Background tasks run on real threads, but their
// sleeps wait for the test's pump to move virtual time, so polling costs no real seconds.
//
// Threading: the test thread is the main thread. RunUntil() runs queued main-thread work and,
// when every background thread is asleep and nothing is queued, jumps the clock to the next
// wake-up or scheduled HTTP answer.
#pragma once

#include "Host.h"
#include "TempFolder.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fake
{
// ---- clock, main-thread queue and background threads -----------------------------------
class FakeThreads : public host::IThreads
{
public:
    FakeThreads();
    ~FakeThreads() override;

    void PostToMainThread(std::function<void()> work) override;
    void RunInBackground(std::function<void()> task) override;
    void Sleep(double seconds) override;
    bool IsMainThread() const override;

    // Queues work for the main thread once virtual time reaches now + delay.
    void PostAfter(double delay, std::function<void()> work);
    double Now() const override;
    // Pumps until `done` holds; false when nothing more can happen or `maxSeconds` of virtual
    // time passed first.
    bool RunUntil(const std::function<bool()>& done, double maxSeconds = 3600.0);
    // Pumps until nothing is left to run or wait for (within `maxSeconds`).
    void RunUntilIdle(double maxSeconds = 3600.0);
    int LiveBackgroundTasks() const;
    // Wakes every sleeper for good and joins the background threads.
    void Shutdown();

private:
    bool RunQueuedWork();

    mutable std::mutex M;
    std::condition_variable Changed;
    std::thread::id MainThread;
    double Clock = 0.0;
    std::deque<std::function<void()>> MainQueue;
    std::multimap<double, std::function<void()>> Timers;
    std::multiset<double> Sleepers; // wake times of sleeping background threads
    int Live = 0;
    bool ShuttingDown = false;
    std::vector<std::thread> Workers;
};

// ---- HTTP ----------------------------------------------------------------------------------
struct FAnswer
{
    int StatusCode = 200;
    std::string Body;
    double Delay = 0.0; // virtual seconds until the completion is queued
};

struct FRecordedRequest
{
    host::FHttpRequest Request;
    double SentAt = 0.0;
    bool FromMainThread = false;
    std::string Header(const std::string& name) const;
    std::string BodyText() const { return std::string(Request.Body.begin(), Request.Body.end()); }
};

class FakeHttp : public host::IHttpClient
{
public:
    explicit FakeHttp(FakeThreads& threads) : Threads(threads) {}
    // Answers for requests whose address ends with `path`, in order; unanswered requests wait
    // in Pending until Respond() is called.
    void Script(const std::string& path, FAnswer answer);
    void Send(host::FHttpRequest request,
              host::FHttpCompletion onComplete) override;
    // Answers the oldest waiting request.
    bool Respond(FAnswer answer);

    std::vector<FRecordedRequest> Requests() const;
    std::vector<FRecordedRequest> RequestsTo(const std::string& path) const;
    int MaxInFlight() const;
    int InFlight() const;

private:
    void Complete(host::FHttpCompletion onComplete, const FAnswer& answer);

    FakeThreads& Threads;
    mutable std::mutex M;
    std::map<std::string, std::deque<FAnswer>> Scripts;
    std::deque<host::FHttpCompletion> Pending;
    std::vector<FRecordedRequest> Sent;
    int InFlight_ = 0;
    int MaxInFlight_ = 0;
};

// ---- user interface and log ----------------------------------------------------------------
struct FDialogRecord
{
    host::FText Title;
    double Total = 0;
    std::vector<double> Advances;
    bool Open = true;
};

// One ordered record of what the user saw and what was logged: "message:TEXT", "question:TEXT",
// "url:ADDRESS", "tab:ID", "dialog:TITLE", "closed:TITLE", "log:CATEGORY:TEXT".
class FTimeline
{
public:
    void Add(std::string event);
    std::vector<std::string> Events() const;
    // Events starting with `prefix`, with the prefix removed.
    std::vector<std::string> With(const std::string& prefix) const;

private:
    mutable std::mutex M;
    std::vector<std::string> All;
};

class FakeUI : public host::IUserInterface
{
public:
    explicit FakeUI(FTimeline& timeline) : Timeline(timeline) {}
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void OpenUrl(const std::string& url) override;
    std::shared_ptr<host::IProgressDialog> OpenProgress(double total, const host::FText& title) override;
    void ShowTab(const std::string& tabId) override;
    bool IsApplicationRunning() const override { return bApplicationRunning; }
    void ReloadTextureResources() override { ++TextureReloads; }

    std::deque<bool> YesNoAnswers; // popped per question; No when empty
    std::vector<std::string> Messages;
    std::vector<std::string> Questions;
    std::vector<std::string> Urls;
    std::vector<std::string> Tabs;
    std::vector<std::shared_ptr<FDialogRecord>> Dialogs;
    bool bApplicationRunning = true;
    int TextureReloads = 0;
    // Runs while a message box is shown, e.g. to check what is open at that moment.
    std::function<void(const std::string&)> OnMessage;
    bool AnyDialogOpen() const;

private:
    FTimeline& Timeline;
};

struct FLogLine
{
    std::string Category;
    host::EVerbosity Verbosity;
    std::string Text;
};

class FakeLog : public host::ILogSink
{
public:
    explicit FakeLog(FTimeline& timeline) : Timeline(timeline) {}
    void Write(const host::FLogCategory& category, host::EVerbosity verbosity,
               std::string_view text) override;
    std::vector<FLogLine> Lines() const;
    // Texts of one category, in order.
    std::vector<std::string> Texts(const std::string& category) const;

private:
    FTimeline& Timeline;
    mutable std::mutex M;
    std::vector<FLogLine> All;
};

// ---- folders, configuration, modules -------------------------------------------------------
class FakePaths : public host::IPaths
{
public:
    explicit FakePaths(std::string root);
    std::string ProjectDir() const override { return Root + "/Project/"; }
    std::string ProjectConfigDir() const override { return ProjectDir() + "Config/"; }
    std::string ProjectSavedDir() const override { return ProjectDir() + "Saved/"; }
    std::string EngineDir() const override { return Root + "/Engine/"; }
    std::string EngineConfigDir() const override { return EngineDir() + "Config/"; }
    std::string ProjectFilePath() const override { return ProjectDir() + "Demo.uproject"; }
    const std::string Root;
};

class FakeConfig : public host::IConfig
{
public:
    explicit FakeConfig(std::string folder) : Folder(std::move(folder)) {}
    ~FakeConfig() override;
    void* DefaultObject(const host::FStructInfo& type) override;
    bool SaveObject(const host::FStructInfo& type, const void* object) override;
    std::string UserConfigPath(const std::string& configName) const override;

private:
    const std::string Folder;
    std::mutex M;
    std::map<std::string, std::pair<const host::FStructInfo*, void*>> Objects;
};

class FakeModules : public host::IModules
{
public:
    bool IsModuleLoaded(const std::string& name) const override
    {
        return name == "Settings" && bSettingsLoaded;
    }
    bool bSettingsLoaded = true;
};

// ---- localization --------------------------------------------------------------------------
struct FStepScript
{
    bool bCanStart = true;
    std::vector<std::string> Output;
    std::optional<int> ExitCode = 0;
};

struct FStepCall
{
    std::string ConfigPath;
    bool bUseProjectFile = true;
};

class FakeLocalization : public host::ILocalization
{
public:
    FakeLocalization(const FakePaths& paths, FTimeline& timeline) : Paths(paths), Timeline(timeline) {}
    std::vector<host::FLocalizationTargetRef> GameTargets() override;
    std::vector<host::FLocalizationTargetRef> EngineTargets() override;
    bool IsEngineTarget(const host::FLocalizationTarget& target) override;
    std::string ConfigPath(const host::FLocalizationTarget& target, host::ELocalizationStep step) override;
    // A gather configuration in the usual layout: Content/Localization/<Target>/<Target>.manifest.
    host::FIniDocument GenerateConfig(const host::FLocalizationTarget& target,
                                      host::ELocalizationStep step) override;
    bool WriteConfig(const host::FIniDocument& config, const std::string& path) override;
    std::unique_ptr<host::ILocalizationProcess> StartStep(const std::string& configPath,
                                                          bool useProjectFile) override;

    void SetGameTargets(std::vector<host::FLocalizationTarget> targets);
    void SetEngineTargets(std::vector<host::FLocalizationTarget> targets);
    void ScriptStep(FStepScript script);
    std::vector<FStepCall> StepCalls() const;

private:
    const FakePaths& Paths;
    FTimeline& Timeline;
    mutable std::mutex M;
    std::vector<host::FLocalizationTargetRef> Game;
    std::vector<host::FLocalizationTargetRef> Engine;
    std::deque<FStepScript> Scripts;
    std::vector<FStepCall> Calls;
};

// ---- the host ------------------------------------------------------------------------------
class FakeHost : public host::IHost
{
public:
    FakeHost();
    ~FakeHost() override;
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    host::ILogSink& LogSink() override { return Log; }
    host::IUserInterface& UI() override { return Ui; }
    host::IThreads& Threads() override { return Clock; }
    host::IHttpClient& Http() override { return Web; }
    host::IConfig& Config() override { return Configuration; }
    host::IPaths& Paths() override { return Folders; }
    host::ILocalization& Localization() override { return Loc; }
    host::IModules& Modules() override { return ModuleList; }
    host::FSettingsRegistry& Settings() override { return SettingsRegistry; }
    host::FBindingRegistry& Bindings() override { return BindingRegistry; }
    host::FStyleRegistry& Styles() override { return StyleRegistry; }
    host::FPluginRegistry& Plugins() override { return PluginRegistry; }
    host::FMenuSystem& Menus() override { return MenuSystem; }

    // A game target in the usual layout with its gather configuration, manifest and one
    // archive per culture ("<Target>/<culture>/<Target>.archive"), each holding a short text.
    // Writes the target's manifest and archives in the editor's formats: three texts, one of them
    // ("UI"/"Quit") already translated by hand in every culture.
    void AddGameTarget(const std::string& name, std::vector<std::string> cultures, int nativeIndex = 0);
    static std::vector<host::FLocArchiveEntry> SampleEntries(const std::string& culture);
    std::string LocalizationFolder() const { return Folders.ProjectDir() + "Content/Localization"; }

    testsupport::FTempFolder Temp{"lirno-fake"}; // removed after every service below has gone
    std::string Root;                             // Temp's path
    FTimeline Timeline;
    FakeThreads Clock;
    FakeHttp Web{Clock};
    FakeUI Ui{Timeline};
    FakeLog Log{Timeline};
    FakePaths Folders;
    FakeConfig Configuration;
    FakeModules ModuleList;
    FakeLocalization Loc{Folders, Timeline};
    host::FSettingsRegistry SettingsRegistry;
    host::FBindingRegistry BindingRegistry;
    host::FStyleRegistry StyleRegistry;
    host::FPluginRegistry PluginRegistry;
    host::FMenuSystem MenuSystem;

private:
    std::vector<host::FLocalizationTarget> GameTargetList;
};

// Installs a fresh fake host for the lifetime of the object.
class FScopedFakeHost
{
public:
    FScopedFakeHost() : Host(std::make_unique<FakeHost>()) { host::Install(Host.get()); }
    ~FScopedFakeHost()
    {
        Host.reset();
        host::Install(nullptr);
    }
    FScopedFakeHost(const FScopedFakeHost&) = delete;
    FScopedFakeHost& operator=(const FScopedFakeHost&) = delete;
    FakeHost* operator->() const { return Host.get(); }
    FakeHost& operator*() const { return *Host; }

private:
    std::unique_ptr<FakeHost> Host;
};
} // namespace fake
