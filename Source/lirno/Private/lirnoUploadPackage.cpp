// The upload package: the targets' manifests and archives in a password-protected archive,
// shifted byte by byte, plus an unprotected backup of the same entries.
#include "Host.h"
#include "lirnoFileHelper.h"
#include "lirnoProtocol.h"
#include "lirnoWidePath.h"
#include "zip.h"

#include <filesystem>

namespace lirno
{
namespace
{
std::string ZipMessage(ZipResult code)
{
    char text[128];
    zip_format_result(code, text, sizeof text);
    return text;
}

// The two archives being written; whatever happens, both are closed, and on failure removed,
// so that a failed packaging leaves no half-written archive behind.
class FPackageArchives
{
public:
    FPackageArchives(std::string backupPath, std::string uploadPath)
        : BackupPath(std::move(backupPath)), UploadPath(std::move(uploadPath))
    {
    }
    FPackageArchives(const FPackageArchives&) = delete;
    FPackageArchives& operator=(const FPackageArchives&) = delete;
    ~FPackageArchives()
    {
        if (Close() != zip_result::Ok || !bKeep)
        {
            host::File::Delete(BackupPath);
            host::File::Delete(UploadPath);
        }
    }

    bool Create(const std::string& password, std::string& error)
    {
        Backup = zip_create_file(ToWide(BackupPath).c_str(), nullptr);
        if (!Backup)
        {
            error = "The backup archive could not be created: " + BackupPath;
            return false;
        }
        Upload = zip_create_file(ToWide(UploadPath).c_str(), password.c_str());
        if (!Upload)
        {
            error = "The upload archive could not be created: " + UploadPath;
            return false;
        }
        return true;
    }

    // Adds one file to both archives, upload first, and lists it. A source file that is missing
    // or unreadable is left out of both; any other failure stops the packaging.
    bool Add(const std::string& entryName, const std::string& sourcePath, bool bManifest, std::string& error)
    {
        const std::u16string name = ToWide(entryName);
        const std::u16string source = ToWide(sourcePath);
        for (ZipHandle* archive : {Upload, Backup})
        {
            const ZipResult result = zip_add_file(archive, name.c_str(), source.c_str());
            if (result == zip_result::OpenFailed)
            {
                return true;
            }
            if (result != zip_result::Ok)
            {
                error = "The entry " + entryName + " could not be added: " + ZipMessage(result);
                return false;
            }
        }
        Files.push_back(FUploadedFile{entryName, sourcePath, bManifest});
        return true;
    }

    std::vector<FUploadedFile> Files;

    // Finishes both archives; the upload archive is complete only when this succeeds.
    bool Finish(std::string& error)
    {
        const ZipResult result = Close();
        if (result != zip_result::Ok)
        {
            error = "The archives could not be written: " + ZipMessage(result);
            return false;
        }
        bKeep = true;
        return true;
    }

private:
    ZipResult Close()
    {
        ZipResult result = zip_result::Ok;
        for (ZipHandle** archive : {&Upload, &Backup})
        {
            if (*archive)
            {
                const ZipResult closed = zip_close_any(*archive);
                result = result == zip_result::Ok ? closed : result;
                *archive = nullptr;
            }
        }
        return result;
    }

    std::string BackupPath;
    std::string UploadPath;
    ZipHandle* Backup = nullptr;
    ZipHandle* Upload = nullptr;
    bool bKeep = false;
};

bool AddTargets(FPackageArchives& archives, std::string& error)
{
    for (const auto& target : host::Get().Localization().GameTargets())
    {
        const auto files = lirnoFileHelper::ResolveTargetFiles(*target);
        if (!files.IsOk())
        {
            error = files.Error() + " Target:[" + target->Name + "]";
            return false;
        }
        const FTargetFiles& f = files.Value();
        using H = lirnoFileHelper;
        if (!archives.Add(H::JoinPath(target->Name, f.ManifestName),
                          H::JoinPath(f.SourceFolder, f.ManifestName), true, error))
        {
            return false;
        }
        for (const auto& culture : target->SupportedCultures)
        {
            if (!archives.Add(H::JoinPath(H::JoinPath(target->Name, culture), f.ArchiveName),
                              H::JoinPath(H::JoinPath(f.SourceFolder, culture), f.ArchiveName), false, error))
            {
                return false;
            }
        }
    }
    return true;
}
} // namespace

TResult<FUploadPackage> lirnoFileHelper::BuildUploadPackage(std::uint32_t jobNumber)
{
    using FOutcome = TResult<FUploadPackage>;
    const std::string folder = LocalizationFolder();
    const std::string backupPath = BackupArchivePath();
    const std::string uploadPath = JoinPath(folder, UploadArchiveName);
    const std::string uploadFile = JoinPath(folder, UploadFileName);

    host::File::Delete(backupPath);
    host::File::Delete(uploadPath);
    host::File::Delete(uploadFile);
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);

    FUploadPackage package;
    {
        FPackageArchives archives(backupPath, uploadPath);
        std::string error;
        if (!archives.Create(protocol::UploadPasswordPrefix + std::to_string(jobNumber), error) ||
            !AddTargets(archives, error) || !archives.Finish(error))
        {
            return FOutcome::Fail(error);
        }
        package.Files = std::move(archives.Files);
    }

    std::vector<std::uint8_t> bytes;
    const bool read = host::File::ReadAll(uploadPath, bytes);
    host::File::Delete(uploadPath);
    if (!read || bytes.empty())
    {
        return FOutcome::Fail("The upload archive could not be read back: " + uploadPath);
    }
    protocol::ShiftBytes(bytes, protocol::UploadShift);
    if (!host::File::WriteAll(uploadFile, bytes))
    {
        host::File::Delete(uploadFile);
        return FOutcome::Fail("The upload file could not be written: " + uploadFile);
    }
    package.File = uploadFile;
    return FOutcome::Ok(std::move(package));
}
} // namespace lirno
