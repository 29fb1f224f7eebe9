// ziptool: create, list and extract archives with the zip engine. Outside scripts drive it,
// so its output and exit codes are fixed: 0 all Ok, 1 a failed result, 2 a usage error.
#include "commands.h"

#include <CLI/CLI.hpp>

int main(int argc, char** argv)
{
    CLI::App app{"Create, list and extract zip archives"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("ziptool ") + LIRNO_VERSION);

    std::string archive;
    std::string folder;
    std::string password;
    std::vector<std::string> items;

    auto* create = app.add_subcommand("create", "Create ARCHIVE from NAME=PATH files and NAME/ folders");
    create->add_option("ARCHIVE", archive, "Archive to write")->required();
    create->add_option("ITEM", items, "NAME=PATH or NAME/")->required();
    auto* create_password = create->add_option("--password", password, "Encrypt the items");

    auto* list = app.add_subcommand("list", "List the items of ARCHIVE");
    list->add_option("ARCHIVE", archive, "Archive to read")->required();

    auto* extract = app.add_subcommand("extract", "Extract every item of ARCHIVE below DIR");
    extract->add_option("ARCHIVE", archive, "Archive to read")->required();
    extract->add_option("DIR", folder, "Base folder")->required();
    auto* extract_password = extract->add_option("--password", password, "Password of the items");

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::CallForHelp& e)
    {
        return app.exit(e);
    }
    catch (const CLI::CallForAllHelp& e)
    {
        return app.exit(e);
    }
    catch (const CLI::CallForVersion& e)
    {
        return app.exit(e);
    }
    catch (const CLI::ParseError& e)
    {
        app.exit(e);
        return 2;
    }

    if (create->parsed())
        return ziptool::create_archive(archive, create_password->count() ? &password : nullptr, items);
    if (list->parsed())
        return ziptool::list_archive(archive);
    return ziptool::extract_archive(archive, folder, extract_password->count() ? &password : nullptr);
}
