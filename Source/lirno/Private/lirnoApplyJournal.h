// Replaces a set of files all together or not at all. Each new content is first written durably
// as a staged file beside its target; a journal naming the targets is then made complete in one
// rename, and the staged files are renamed over their targets. A commit cut short after the
// journal exists is rolled forward by Recover; one cut short before leaves every target as it was.
// Whenever the process dies, the files of one commit are all as before or all as after.
//
// The journal, in the committed folder: "lirno-apply-journal 1", one target path relative to the
// folder per line, "end".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lirno
{
struct FStagedFile
{
    std::string Target; // absolute path below the committed folder
    std::string Staged; // lirnoApplyJournal::StagedPathFor(Target)
};

class lirnoApplyJournal
{
public:
    // Beside the target, in the same folder, so the final rename is atomic.
    static std::string StagedPathFor(const std::string& target);
    static std::string JournalPath(const std::string& folder);
    // The journal, its temporary form and staged files: names a returned package may not use.
    static bool IsOwnName(std::string_view name);

    // Commit and Recover run only while the project's lock (lirnoFileHelper::ProjectLockPath) is held.
    // Every staged file must already be written with host::File::WriteAllDurably. Writes the
    // journal, renames each staged file over its target and removes the journal. False with
    // `error` when:
    // - a target is not below `folder`, a staged file is missing or misnamed, a journal of an
    //   unrecovered commit is still there, or the journal could not be written: nothing was
    //   renamed and the staged files are deleted;
    // - a rename failed: the files before it were replaced, the journal and the remaining
    //   staged files are kept, and Recover completes the commit.
    static bool Commit(const std::string& folder, const std::vector<FStagedFile>& files, std::string& error);
    // Deletes the staged files.
    static void Discard(const std::vector<FStagedFile>& files);
    // Completes an interrupted commit (every staged file a complete journal lists that still
    // exists is renamed over its target, then the journal goes; it stays while a rename fails)
    // and removes leftovers of interrupted work below `folder`: staged files no complete journal
    // lists, an incomplete journal, the temporary files of the processed package and the zip
    // engine's extraction temporaries. Journal lines that are absolute, climb out of the folder
    // or hold control characters are ignored. Gives one line per action, for the log.
    static std::vector<std::string> Recover(const std::string& folder);
};
} // namespace lirno
