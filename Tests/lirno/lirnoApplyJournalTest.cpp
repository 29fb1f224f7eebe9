// All-or-nothing commits of staged files, their recovery after a crash, and the recovery at
// module start-up. Real files in the fake host's temp folder.
#include "lirno.h"
#include "lirnoApplyJournal.h"
#include "lirnoFileHelper.h"
#include "lirnoTestSupport.h"

#include <algorithm>
#include <filesystem>

namespace lirnotest
{
namespace
{
using lirno::FStagedFile;
using lirno::lirnoApplyJournal;

class ApplyJournal : public PluginTest
{
protected:
    ApplyJournal() : Folder(lirno::lirnoFileHelper::LocalizationFolder())
    {
        // Start from a folder holding only the files a test puts there.
        std::filesystem::remove_all(Folder);
    }

    // Three targets holding "old N" (the third is new to the folder), each with "new N" staged.
    std::vector<FStagedFile> StageThree(const std::string& sub = "")
    {
        std::vector<FStagedFile> files;
        const std::string base = sub.empty() ? Folder : Folder + "/" + sub;
        const char* names[] = {"Game/Game.manifest", "Game/de/Game.archive", "Game/fr/Game.archive"};
        for (int i = 0; i < 3; ++i)
        {
            const std::string target = base + "/" + names[i];
            if (i < 2)
            {
                EXPECT_TRUE(host::File::WriteAllText(target, "old " + std::to_string(i)));
            }
            Stage(target, "new " + std::to_string(i));
            files.push_back({target, lirnoApplyJournal::StagedPathFor(target)});
        }
        return files;
    }
    static void Stage(const std::string& target, const std::string& text)
    {
        const std::string staged = lirnoApplyJournal::StagedPathFor(target);
        EXPECT_TRUE(host::File::WriteAllDurably(
            staged, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
    }
    static std::vector<std::string> Contents(const std::vector<FStagedFile>& files)
    {
        std::vector<std::string> contents;
        for (const auto& file : files)
        {
            contents.push_back(host::File::Exists(file.Target) ? ReadText(file.Target) : "(absent)");
        }
        return contents;
    }
    // Every file below the folder, relative and sorted.
    std::vector<std::string> FilesBelow(const std::string& folder) const
    {
        std::vector<std::string> names;
        for (const auto& path : host::File::ListFiles(folder))
        {
            names.push_back(path.substr(folder.size() + 1));
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // A journal as Commit writes it.
    static void WriteJournal(const std::string& path, const std::vector<std::string>& lines, bool complete = true)
    {
        std::string text = "lirno-apply-journal 1\n";
        for (const auto& line : lines)
        {
            text += line + "\n";
        }
        EXPECT_TRUE(host::File::WriteAllText(path, complete ? text + "end\n" : text));
    }

    const std::vector<std::string> Before{"old 0", "old 1", "(absent)"};
    const std::vector<std::string> After{"new 0", "new 1", "new 2"};
    const std::vector<std::string> Targets{"Game/Game.manifest", "Game/de/Game.archive", "Game/fr/Game.archive"};
    const std::string Folder;
};

TEST_F(ApplyJournal, CommitReplacesEveryTargetAndLeavesNothingElse)
{
    const auto files = StageThree();
    std::string error;
    ASSERT_TRUE(lirnoApplyJournal::Commit(Folder, files, error)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(Contents(files), After);
    std::vector<std::string> expected = Targets;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesBelow(Folder), expected);
    EXPECT_TRUE(lirnoApplyJournal::Recover(Folder).empty());
}

TEST_F(ApplyJournal, RecoverCompletesACommitInterruptedAfterAnyRename)
{
    for (std::size_t renamed = 0; renamed <= 3; ++renamed)
    {
        SCOPED_TRACE(renamed);
        const std::string sub = "run" + std::to_string(renamed);
        const auto files = StageThree(sub);
        WriteJournal(lirnoApplyJournal::JournalPath(Folder + "/" + sub), Targets);
        for (std::size_t i = 0; i < renamed; ++i)
        {
            ASSERT_TRUE(host::File::Rename(files[i].Staged, files[i].Target));
        }

        const auto report = lirnoApplyJournal::Recover(Folder + "/" + sub);
        EXPECT_EQ(report.size(), 3 - renamed);
        EXPECT_EQ(Contents(files), After);
        std::vector<std::string> expected = Targets;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(FilesBelow(Folder + "/" + sub), expected);
        EXPECT_TRUE(lirnoApplyJournal::Recover(Folder + "/" + sub).empty());
    }
}

TEST_F(ApplyJournal, CommitStoppedByAFailedRenameIsCompletedByRecover)
{
    const auto files = StageThree();
    // The second target is a folder with content: renaming a file over it fails.
    std::filesystem::remove(files[1].Target);
    ASSERT_TRUE(host::File::WriteAllText(files[1].Target + "/inside", "x"));

    std::string error;
    EXPECT_FALSE(lirnoApplyJournal::Commit(Folder, files, error));
    EXPECT_NE(error.find("after 1 of 3 files"), std::string::npos) << error;
    EXPECT_EQ(ReadText(files[0].Target), "new 0");
    EXPECT_FALSE(host::File::Exists(files[2].Target));
    EXPECT_TRUE(host::File::Exists(lirnoApplyJournal::JournalPath(Folder)));

    // Still blocked: what can be done is done, the rest waits with its journal.
    auto report = lirnoApplyJournal::Recover(Folder);
    EXPECT_EQ(ReadText(files[2].Target), "new 2");
    EXPECT_TRUE(host::File::Exists(files[1].Staged));
    EXPECT_TRUE(host::File::Exists(lirnoApplyJournal::JournalPath(Folder)));
    EXPECT_EQ(report.size(), 2u);

    std::filesystem::remove_all(files[1].Target);
    report = lirnoApplyJournal::Recover(Folder);
    EXPECT_EQ(report, std::vector<std::string>{"Completed an interrupted apply: replaced Game/de/Game.archive"});
    EXPECT_EQ(Contents(files), After);
    EXPECT_EQ(FilesBelow(Folder).size(), 3u);
}

TEST_F(ApplyJournal, RefusedCommitChangesNothing)
{
    const auto expectRefused = [&](const std::vector<FStagedFile>& files, const std::string& why) {
        std::string error;
        EXPECT_FALSE(lirnoApplyJournal::Commit(Folder, files, error));
        EXPECT_NE(error.find(why), std::string::npos) << error;
        EXPECT_EQ(Contents(files), Before);
        for (const auto& file : files)
        {
            EXPECT_FALSE(host::File::Exists(file.Staged)) << file.Staged;
        }
    };
    // The journal cannot be written.
    const std::string journal = lirnoApplyJournal::JournalPath(Folder);
    ASSERT_TRUE(host::File::WriteAllText(journal + ".tmp/blocker", "x"));
    expectRefused(StageThree(), "Could not write the apply journal");
    EXPECT_FALSE(host::File::Exists(journal));
    std::filesystem::remove_all(journal + ".tmp");

    // A pending journal of an earlier commit must be recovered first, not overwritten.
    WriteJournal(journal, {"Game/Game.manifest"});
    expectRefused(StageThree(), "An interrupted apply is still pending");
    host::File::Delete(journal);

    // A target outside the folder.
    auto files = StageThree();
    const std::string outside = Folder + "/../Outside.archive";
    Stage(outside, "new");
    files.push_back({outside, lirnoApplyJournal::StagedPathFor(outside)});
    std::string error;
    EXPECT_FALSE(lirnoApplyJournal::Commit(Folder, files, error));
    EXPECT_EQ(Contents({files.begin(), files.begin() + 3}), Before);
    EXPECT_FALSE(host::File::Exists(outside));
    EXPECT_FALSE(host::File::Exists(lirnoApplyJournal::StagedPathFor(outside)));
}

TEST_F(ApplyJournal, RecoverDiscardsStagedFilesOfAnUnfinishedJournal)
{
    const std::string journal = lirnoApplyJournal::JournalPath(Folder);
    // Crash while the journal was written: only its temporary exists.
    auto files = StageThree();
    WriteJournal(journal + ".tmp", Targets);
    EXPECT_FALSE(lirnoApplyJournal::Recover(Folder).empty());
    EXPECT_EQ(Contents(files), Before);
    EXPECT_EQ(FilesBelow(Folder), (std::vector<std::string>{"Game/Game.manifest", "Game/de/Game.archive"}));

    // A journal without its last line is not trusted either.
    files = StageThree();
    WriteJournal(journal, Targets, false);
    EXPECT_FALSE(lirnoApplyJournal::Recover(Folder).empty());
    EXPECT_EQ(Contents(files), Before);
    EXPECT_EQ(FilesBelow(Folder), (std::vector<std::string>{"Game/Game.manifest", "Game/de/Game.archive"}));
}

TEST_F(ApplyJournal, RecoverIgnoresJournalLinesOutsideTheFolder)
{
    const std::string outside = Folder + "/../x";
    const std::string absolute = Host->Root + "/abs.txt";
    for (const auto& path : {outside, absolute})
    {
        ASSERT_TRUE(host::File::WriteAllText(path, "mine"));
        Stage(path, "hostile");
    }
    ASSERT_TRUE(host::File::WriteAllText(Folder + "/a\tb", "old"));
    Stage(Folder + "/a\tb", "hostile");
    ASSERT_TRUE(host::File::WriteAllText(Folder + "/ok", "old"));
    Stage(Folder + "/ok", "new");
    WriteJournal(lirnoApplyJournal::JournalPath(Folder), {"../x", absolute, "a\tb", "Game/./ok", "ok"});

    const auto report = lirnoApplyJournal::Recover(Folder);
    EXPECT_EQ(ReadText(outside), "mine");
    EXPECT_EQ(ReadText(absolute), "mine");
    EXPECT_TRUE(host::File::Exists(lirnoApplyJournal::StagedPathFor(outside)));
    EXPECT_TRUE(host::File::Exists(lirnoApplyJournal::StagedPathFor(absolute)));
    EXPECT_EQ(ReadText(Folder + "/a\tb"), "old");
    EXPECT_EQ(ReadText(Folder + "/ok"), "new");
    EXPECT_EQ(FilesBelow(Folder), (std::vector<std::string>{"a\tb", "ok"}));
    EXPECT_NE(std::find(report.begin(), report.end(), "Ignored the apply journal line \"a\\x09b\""), report.end());
}

TEST_F(ApplyJournal, RecoverRemovesTemporariesOfInterruptedWork)
{
    for (const char* name : {"Game/de/.zipx-123-4.tmp", ".zipx-9-1.tmp", "lirno_tmp_processed.bin.tmp123"})
    {
        ASSERT_TRUE(host::File::WriteAllText(Folder + "/" + name, "partial"));
    }
    const std::vector<std::string> kept{".zipx-notes.txt", "Game/de/Game.archive",
                                        "Game/lirno_tmp_processed.bin.tmp5", "lirno_tmp_processed.bin", "notes.tmp"};
    for (const auto& name : kept)
    {
        ASSERT_TRUE(host::File::WriteAllText(Folder + "/" + name, "keep"));
    }
    EXPECT_EQ(lirnoApplyJournal::Recover(Folder).size(), 3u);
    EXPECT_EQ(FilesBelow(Folder), kept);
}

TEST_F(ApplyJournal, StartupRecoversUnlessAnotherEditorHoldsTheLock)
{
    const auto files = StageThree();
    WriteJournal(lirnoApplyJournal::JournalPath(Folder), Targets);
    {
        std::string error;
        const auto other = host::FFileLock::TryAcquire(lirno::lirnoFileHelper::ProjectLockPath(), error);
        ASSERT_NE(other, nullptr) << error;
        lirno::FlirnoModule module;
        module.StartupModule();
        module.ShutdownModule();
        EXPECT_EQ(Contents(files), Before);
    }
    const auto lines = Host->Log.Texts("lirnoHelperLog");
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.starts_with("Skipped recovering an interrupted apply");
    }));

    lirno::FlirnoModule module;
    module.StartupModule();
    module.ShutdownModule();
    EXPECT_EQ(Contents(files), After);
    std::size_t warnings = 0;
    for (const auto& line : Host->Log.Lines())
    {
        warnings += line.Category == "lirnoHelperLog" && line.Verbosity == host::EVerbosity::Warning;
    }
    EXPECT_EQ(warnings, 3u);
    std::string error;
    EXPECT_NE(host::FFileLock::TryAcquire(lirno::lirnoFileHelper::ProjectLockPath(), error), nullptr) << error;
}
} // namespace
} // namespace lirnotest
