#include "FakeHost.h"

#include "PropertyText.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>

namespace fake
{
// ---- FakeThreads -----------------------------------------------------------------------------
FakeThreads::FakeThreads() : MainThread(std::this_thread::get_id()) {}

FakeThreads::~FakeThreads()
{
    Shutdown();
}

void FakeThreads::Shutdown()
{
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(M);
        ShuttingDown = true;
        workers.swap(Workers);
    }
    Changed.notify_all();
    for (auto& worker : workers)
    {
        worker.join();
    }
}

void FakeThreads::PostToMainThread(std::function<void()> work)
{
    {
        std::lock_guard lock(M);
        MainQueue.push_back(std::move(work));
    }
    Changed.notify_all();
}

void FakeThreads::PostAfter(double delay, std::function<void()> work)
{
    {
        std::lock_guard lock(M);
        if (delay <= 0)
        {
            MainQueue.push_back(std::move(work));
        }
        else
        {
            Timers.emplace(Clock + delay, std::move(work));
        }
    }
    Changed.notify_all();
}

void FakeThreads::RunInBackground(std::function<void()> task)
{
    std::lock_guard lock(M);
    ++Live;
    Workers.emplace_back(
        [this, task = std::move(task)]() mutable
        {
            // The task and what it holds are released before the thread counts as finished.
            std::exchange(task, nullptr)();
            {
                std::lock_guard inner(M);
                --Live;
            }
            Changed.notify_all();
        });
}

void FakeThreads::Sleep(double seconds)
{
    if (seconds <= 0)
    {
        std::this_thread::yield();
        return;
    }
    std::unique_lock lock(M);
    if (std::this_thread::get_id() == MainThread)
    {
        Clock += seconds;
        return;
    }
    const double wake = Clock + seconds;
    const auto entry = Sleepers.insert(wake);
    Changed.notify_all();
    Changed.wait(lock, [&] { return Clock >= wake || ShuttingDown; });
    Sleepers.erase(entry);
}

bool FakeThreads::IsMainThread() const
{
    return std::this_thread::get_id() == MainThread;
}

double FakeThreads::Now() const
{
    std::lock_guard lock(M);
    return Clock;
}

int FakeThreads::LiveBackgroundTasks() const
{
    std::lock_guard lock(M);
    return Live;
}

bool FakeThreads::RunQueuedWork()
{
    bool ran = false;
    for (;;)
    {
        std::function<void()> work;
        {
            std::lock_guard lock(M);
            if (MainQueue.empty())
            {
                return ran;
            }
            work = std::move(MainQueue.front());
            MainQueue.pop_front();
        }
        work();
        ran = true;
    }
}

bool FakeThreads::RunUntil(const std::function<bool()>& done, double maxSeconds)
{
    const double deadline = Now() + maxSeconds;
    for (;;)
    {
        RunQueuedWork();
        if (done())
        {
            return true;
        }
        std::unique_lock lock(M);
        if (!MainQueue.empty())
        {
            continue;
        }
        // Sleepers whose wake time has come are about to run: they count as busy.
        const auto asleep = static_cast<int>(std::distance(Sleepers.upper_bound(Clock), Sleepers.end()));
        if (asleep < Live)
        {
            const bool settled = Changed.wait_for(
                lock, std::chrono::seconds(10),
                [&]
                {
                    return !MainQueue.empty() || static_cast<int>(std::distance(Sleepers.upper_bound(Clock),
                                                                                Sleepers.end())) >= Live;
                });
            if (!settled)
            {
                return false; // a background task is busy in real time; report rather than hang
            }
            continue;
        }
        std::optional<double> next;
        if (!Sleepers.empty())
        {
            next = *Sleepers.begin();
        }
        if (!Timers.empty() && (!next || Timers.begin()->first < *next))
        {
            next = Timers.begin()->first;
        }
        if (!next || *next > deadline)
        {
            return false;
        }
        Clock = std::max(Clock, *next);
        while (!Timers.empty() && Timers.begin()->first <= Clock)
        {
            MainQueue.push_back(std::move(Timers.begin()->second));
            Timers.erase(Timers.begin());
        }
        lock.unlock();
        Changed.notify_all();
    }
}

void FakeThreads::RunUntilIdle(double maxSeconds)
{
    RunUntil([] { return false; }, maxSeconds);
}

// ---- FakeHttp --------------------------------------------------------------------------------
std::string FRecordedRequest::Header(const std::string& name) const
{
    for (const auto& [key, value] : Request.Headers)
    {
        if (key == name)
        {
            return value;
        }
    }
    return "<absent>";
}

void FakeHttp::Script(const std::string& path, FAnswer answer)
{
    std::lock_guard lock(M);
    Scripts[path].push_back(std::move(answer));
}

void FakeHttp::Send(host::FHttpRequest request, host::FHttpCompletion onComplete)
{
    std::optional<FAnswer> answer;
    {
        std::lock_guard lock(M);
        for (auto& [path, queue] : Scripts)
        {
            const bool matches =
                request.Url.size() >= path.size() &&
                request.Url.compare(request.Url.size() - path.size(), path.size(), path) == 0;
            if (matches && !queue.empty())
            {
                answer = std::move(queue.front());
                queue.pop_front();
                break;
            }
        }
        Sent.push_back(FRecordedRequest{std::move(request), Threads.Now(), Threads.IsMainThread()});
        MaxInFlight_ = std::max(MaxInFlight_, ++InFlight_);
        if (!answer)
        {
            Pending.push_back(std::move(onComplete));
            return;
        }
    }
    Complete(std::move(onComplete), *answer);
}

void FakeHttp::Complete(host::FHttpCompletion onComplete, const FAnswer& answer)
{
    Threads.PostAfter(answer.Delay,
                      [this, onComplete = std::move(onComplete),
                       response = host::FHttpResponse{answer.StatusCode, answer.Body}]
                      {
                          {
                              std::lock_guard lock(M);
                              --InFlight_;
                          }
                          onComplete(response);
                      });
}

bool FakeHttp::Respond(FAnswer answer)
{
    host::FHttpCompletion waiting;
    {
        std::lock_guard lock(M);
        if (Pending.empty())
        {
            return false;
        }
        waiting = std::move(Pending.front());
        Pending.pop_front();
    }
    Complete(std::move(waiting), answer);
    return true;
}

std::vector<FRecordedRequest> FakeHttp::Requests() const
{
    std::lock_guard lock(M);
    return Sent;
}

std::vector<FRecordedRequest> FakeHttp::RequestsTo(const std::string& path) const
{
    std::vector<FRecordedRequest> matching;
    for (auto& request : Requests())
    {
        if (request.Request.Url.ends_with(path))
        {
            matching.push_back(std::move(request));
        }
    }
    return matching;
}

int FakeHttp::MaxInFlight() const
{
    std::lock_guard lock(M);
    return MaxInFlight_;
}

int FakeHttp::InFlight() const
{
    std::lock_guard lock(M);
    return InFlight_;
}

// ---- timeline, UI, log -----------------------------------------------------------------------
void FTimeline::Add(std::string event)
{
    std::lock_guard lock(M);
    All.push_back(std::move(event));
}

std::vector<std::string> FTimeline::Events() const
{
    std::lock_guard lock(M);
    return All;
}

std::vector<std::string> FTimeline::With(const std::string& prefix) const
{
    std::vector<std::string> matching;
    for (const auto& event : Events())
    {
        if (event.starts_with(prefix))
        {
            matching.push_back(event.substr(prefix.size()));
        }
    }
    return matching;
}

namespace
{
class FakeProgressDialog : public host::IProgressDialog
{
public:
    FakeProgressDialog(std::shared_ptr<FDialogRecord> record, FTimeline& timeline)
        : Record(std::move(record)), Timeline(timeline)
    {
    }
    ~FakeProgressDialog() override
    {
        Record->Open = false;
        Timeline.Add("closed:" + Record->Title.Source);
    }
    void Advance(double amount) override { Record->Advances.push_back(amount); }

private:
    std::shared_ptr<FDialogRecord> Record;
    FTimeline& Timeline;
};
} // namespace

void FakeUI::ShowMessage(const std::string& text)
{
    Messages.push_back(text);
    Timeline.Add("message:" + text);
    if (OnMessage)
    {
        OnMessage(text);
    }
}

bool FakeUI::AskYesNo(const std::string& text)
{
    Questions.push_back(text);
    Timeline.Add("question:" + text);
    if (YesNoAnswers.empty())
    {
        return false;
    }
    const bool yes = YesNoAnswers.front();
    YesNoAnswers.pop_front();
    return yes;
}

void FakeUI::OpenUrl(const std::string& url)
{
    Urls.push_back(url);
    Timeline.Add("url:" + url);
}

std::shared_ptr<host::IProgressDialog> FakeUI::OpenProgress(double total, const host::FText& title)
{
    auto record = std::make_shared<FDialogRecord>(FDialogRecord{title, total, {}, true});
    Dialogs.push_back(record);
    Timeline.Add("dialog:" + title.Source);
    return std::make_shared<FakeProgressDialog>(record, Timeline);
}

void FakeUI::ShowTab(const std::string& tabId)
{
    Tabs.push_back(tabId);
    Timeline.Add("tab:" + tabId);
}

bool FakeUI::AnyDialogOpen() const
{
    for (const auto& dialog : Dialogs)
    {
        if (dialog->Open)
        {
            return true;
        }
    }
    return false;
}

void FakeLog::Write(const host::FLogCategory& category, host::EVerbosity verbosity, std::string_view text)
{
    {
        std::lock_guard lock(M);
        All.push_back(FLogLine{category.Name(), verbosity, std::string(text)});
    }
    Timeline.Add(std::string("log:") + category.Name() + ":" + std::string(text));
}

std::vector<FLogLine> FakeLog::Lines() const
{
    std::lock_guard lock(M);
    return All;
}

std::vector<std::string> FakeLog::Texts(const std::string& category) const
{
    std::vector<std::string> texts;
    for (const auto& line : Lines())
    {
        if (line.Category == category)
        {
            texts.push_back(line.Text);
        }
    }
    return texts;
}

// ---- paths, configuration --------------------------------------------------------------------
FakePaths::FakePaths(std::string root) : Root(std::move(root))
{
    std::filesystem::create_directories(ProjectConfigDir());
    std::filesystem::create_directories(EngineConfigDir());
}

FakeConfig::~FakeConfig()
{
    for (auto& [name, entry] : Objects)
    {
        entry.first->Destroy(entry.second);
    }
}

std::string FakeConfig::UserConfigPath(const std::string& configName) const
{
    return Folder + "/" + configName + ".ini";
}

void* FakeConfig::DefaultObject(const host::FStructInfo& type)
{
    std::lock_guard lock(M);
    auto& entry = Objects[type.PathName()];
    if (!entry.second)
    {
        entry = {&type, type.Construct()};
        if (const auto ini = host::FIniDocument::Load(UserConfigPath(type.ConfigName)))
        {
            for (const auto& property : type.Properties)
            {
                if (const auto value = ini->Get(host::ConfigSectionName(type), property.Name);
                    value && property.Config)
                {
                    host::PropertyFromText(property, entry.second, *value);
                }
            }
        }
    }
    return entry.second;
}

bool FakeConfig::SaveObject(const host::FStructInfo& type, const void* object)
{
    std::lock_guard lock(M);
    const std::string path = UserConfigPath(type.ConfigName);
    auto ini = host::FIniDocument::Load(path).value_or(host::FIniDocument{});
    for (const auto& property : type.Properties)
    {
        if (property.Config)
        {
            ini.Set(host::ConfigSectionName(type), property.Name, host::PropertyToText(property, object));
        }
    }
    return host::File::WriteAllText(path, ini.ToString());
}

// ---- localization ----------------------------------------------------------------------------
namespace
{
class FakeProcess : public host::ILocalizationProcess
{
public:
    explicit FakeProcess(FStepScript script) : Script(std::move(script)) {}
    std::string ReadNewOutput() override
    {
        if (Next >= Script.Output.size())
        {
            return {};
        }
        return Script.Output[Next++];
    }
    bool IsRunning() override { return Next < Script.Output.size(); }
    std::optional<int> ExitCode() override { return IsRunning() ? std::nullopt : Script.ExitCode; }

private:
    FStepScript Script;
    std::size_t Next = 0;
};

const char* StepName(host::ELocalizationStep step)
{
    switch (step)
    {
    case host::ELocalizationStep::GatherText:
        return "Gather";
    case host::ELocalizationStep::CompileText:
        return "Compile";
    case host::ELocalizationStep::WordCountReport:
        return "GenerateReports";
    }
    return "Unknown";
}
} // namespace

std::vector<host::FLocalizationTargetRef> FakeLocalization::GameTargets()
{
    std::lock_guard lock(M);
    return Game;
}

std::vector<host::FLocalizationTargetRef> FakeLocalization::EngineTargets()
{
    std::lock_guard lock(M);
    return Engine;
}

bool FakeLocalization::IsEngineTarget(const host::FLocalizationTarget& target)
{
    std::lock_guard lock(M);
    for (const auto& engineTarget : Engine)
    {
        if (engineTarget.get() == &target)
        {
            return true;
        }
    }
    return false;
}

std::string FakeLocalization::ConfigPath(const host::FLocalizationTarget& target,
                                         host::ELocalizationStep step)
{
    const std::string base = IsEngineTarget(target) ? Paths.EngineConfigDir() : Paths.ProjectConfigDir();
    return base + "Localization/" + target.Name + "_" + StepName(step) + ".ini";
}

host::FIniDocument FakeLocalization::GenerateConfig(const host::FLocalizationTarget& target,
                                                    host::ELocalizationStep)
{
    host::FIniDocument config;
    const std::string folder = "Content/Localization/" + target.Name;
    config.Set("CommonSettings", "SourcePath", folder);
    config.Set("CommonSettings", "DestinationPath", folder);
    config.Set("CommonSettings", "ManifestName", target.Name + ".manifest");
    config.Set("CommonSettings", "ArchiveName", target.Name + ".archive");
    return config;
}

bool FakeLocalization::WriteConfig(const host::FIniDocument& config, const std::string& path)
{
    return host::File::WriteAllText(path, config.ToString());
}

std::unique_ptr<host::ILocalizationProcess> FakeLocalization::StartStep(const std::string& configPath,
                                                                        bool useProjectFile)
{
    FStepScript script;
    {
        std::lock_guard lock(M);
        Calls.push_back(FStepCall{configPath, useProjectFile});
        if (!Scripts.empty())
        {
            script = std::move(Scripts.front());
            Scripts.pop_front();
        }
    }
    Timeline.Add("step:" + std::filesystem::path(configPath).filename().string());
    if (!script.bCanStart)
    {
        return nullptr;
    }
    return std::make_unique<FakeProcess>(std::move(script));
}

void FakeLocalization::SetGameTargets(std::vector<host::FLocalizationTarget> targets)
{
    std::vector<host::FLocalizationTargetRef> refs;
    for (auto& target : targets)
    {
        refs.push_back(std::make_shared<const host::FLocalizationTarget>(std::move(target)));
    }
    std::lock_guard lock(M);
    Game = std::move(refs);
}

void FakeLocalization::SetEngineTargets(std::vector<host::FLocalizationTarget> targets)
{
    std::vector<host::FLocalizationTargetRef> refs;
    for (auto& target : targets)
    {
        refs.push_back(std::make_shared<const host::FLocalizationTarget>(std::move(target)));
    }
    std::lock_guard lock(M);
    Engine = std::move(refs);
}

void FakeLocalization::ScriptStep(FStepScript script)
{
    std::lock_guard lock(M);
    Scripts.push_back(std::move(script));
}

std::vector<FStepCall> FakeLocalization::StepCalls() const
{
    std::lock_guard lock(M);
    return Calls;
}

// ---- FakeHost --------------------------------------------------------------------------------
FakeHost::FakeHost() : Root(Temp.Path().string()), Folders(Root), Configuration(Root + "/UserConfig") {}

FakeHost::~FakeHost()
{
    // Background tasks may still reach the other services: stop them while those exist.
    Clock.Shutdown();
}

std::vector<host::FLocArchiveEntry> FakeHost::SampleEntries(const std::string& culture)
{
    return {{"UI", "Greeting", "Hello, {Name}!", "", {}},
            {"UI", "Score", "<b>Score:</b> %d", "", {}},
            {"UI", "Quit", "Quit", "Quit (" + culture + ")", {}}};
}

void FakeHost::AddGameTarget(const std::string& name, std::vector<std::string> cultures, int nativeIndex)
{
    host::FLocalizationTarget target{name, nativeIndex, cultures};
    const std::string folder = LocalizationFolder() + "/" + name;
    std::string manifest = "{\"FormatVersion\": 1, \"Target\": \"" + name + "\", \"Entries\": [";
    for (const auto& entry : SampleEntries(""))
    {
        manifest += std::string(manifest.back() == '[' ? "" : ", ") + "{\"Namespace\": \"" + entry.Namespace +
                    "\", \"Key\": \"" + entry.Key + "\", \"Source\": \"" + entry.Source + "\"}";
    }
    host::File::WriteAllText(folder + "/" + name + ".manifest", manifest + "]}\n");
    for (const auto& culture : cultures)
    {
        std::string text;
        std::string error;
        host::LocFiles::ArchiveToText({name, culture, SampleEntries(culture)}, text, error);
        host::File::WriteAllText(folder + "/" + culture + "/" + name + ".archive", text);
    }
    Loc.WriteConfig(Loc.GenerateConfig(target, host::ELocalizationStep::GatherText),
                    Loc.ConfigPath(target, host::ELocalizationStep::GatherText));
    GameTargetList.push_back(std::move(target));
    Loc.SetGameTargets(GameTargetList);
}
} // namespace fake
