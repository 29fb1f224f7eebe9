// The running service on a loopback port, spoken to as the plug-in does.
#include "PackageFixture.h"
#include "PseudoProvider.h"
#include "Server.h"
#include "TempFolder.h"
#include "lirnoProtocol.h"

#include <LocFormat/Origin.h>
#include <Util/RunChild.h>
#include <Util/Utf.h>

#include <arpa/inet.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace lirno::service
{
namespace
{
using nlohmann::json;
using protocol::CheckUpdatePath;
using protocol::StatusPath;
using protocol::UploadPath;
namespace Field = protocol::Field;
namespace Status = protocol::Status;

ServiceConfig TestConfig()
{
    ServiceConfig config;
    config.port = 0;
    config.workers = 1;
    config.default_provider = "pseudo";
    config.max_upload_bytes = 1u << 20;
    config.upload_memory_bytes = 1u << 20;
    config.latest_plugin_version = "1.4";
    config.update_url = "http://updates.test/lirno";
    config.top_up_url = "http://account.test/top-up";
    config.accounts = {{"key-a", 11, 1000000, ""}, {"key-b", 12, 1000000, ""}, {"tiny", 13, 5, ""}};
    return config;
}

// Sends `request` as it is over a fresh connection and returns all the service answers before
// it closes; the client library cannot be told to send a header with an empty value.
std::string RawExchange(int port, const std::string& request)
{
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{10, 0};
    ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    std::string answer;
    if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::send(sock, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()))
    {
        char buffer[4096];
        for (ssize_t got = 0; (got = ::recv(sock, buffer, sizeof(buffer), 0)) > 0 && answer.size() < (1u << 20);)
            answer.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(sock);
    return answer;
}

class ServiceHttp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(service_.Start(error)) << error;
        client_ = std::make_unique<httplib::Client>("127.0.0.1", service_.Port());
        client_->set_read_timeout(10, 0);
    }

    static httplib::Headers PluginHeaders(const std::string& key, const std::string& rnd = "77",
                                          const std::string& translate_all = "false")
    {
        return test::PluginHeaders(key, rnd, translate_all);
    }

    json Post(const std::string& path, const std::string& body, const httplib::Headers& headers)
    {
        const auto result = client_->Post(path.c_str(), headers, body, "application/json; charset=UTF-8");
        if (!result)
            return json{{"transport_error", static_cast<int>(result.error())}};
        EXPECT_EQ(result->status, 200) << result->body;
        return json::parse(result->body, nullptr, false);
    }

    json Upload(const std::string& key, const std::string& translate_all = "false")
    {
        return Post(UploadPath, test::UploadBody(test::SampleUpload(), "77"),
                    PluginHeaders(key, "77", translate_all));
    }

    json PollUntilDone(const std::string& key, const json& record)
    {
        json answer;
        for (int i = 0; i < 500; ++i)
        {
            answer = Post(StatusPath, record.dump(1, '\t'), PluginHeaders(key, "0"));
            if (answer.value(Field::Status, -1) != Status::Working ||
                answer[Field::Content][Field::CompletionProgress].get<double>() >= 100.0)
                return answer;
            // The package must come with the first 100, never before it.
            EXPECT_EQ(answer[Field::Content][Field::FileB64], "");
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return answer;
    }

    TranslationService service_{TestConfig()};
    std::unique_ptr<httplib::Client> client_;
};
} // namespace

TEST_F(ServiceHttp, TranslatesAnUploadAndReturnsEveryNonNativeArchive)
{
    const json accepted = Upload("key-a");
    ASSERT_EQ(accepted[Field::Status], Status::Working) << accepted.dump();
    const json& record = accepted[Field::Content];
    ASSERT_EQ(record[Field::TaskidList].size(), 1u);
    const int chars = record[Field::CharCount];
    EXPECT_GT(chars, 0);
    EXPECT_EQ(record[Field::UserID], 11);
    EXPECT_EQ(record[Field::UsedCharCount], chars);
    EXPECT_EQ(record[Field::UserTransLimit_LastCharCount], 1000000 - chars);

    const json done = PollUntilDone("key-a", record);
    ASSERT_EQ(done[Field::Status], Status::Working) << done.dump();
    EXPECT_EQ(done[Field::Content][Field::CompletionProgress], 100.0);
    EXPECT_EQ(done[Field::Content][Field::CompletedCharCount], chars);
    EXPECT_NE(done[Field::Content][Field::ResultMsg].get<std::string>().find("Translation finished"),
              std::string::npos);

    const auto files = test::ReadResultPackage(done[Field::Content][Field::FileB64]);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].name, "Game/de/Game.archive");
    EXPECT_EQ(files[1].name, "Game/es/Game.archive");
    EXPECT_EQ(files[2].name, "Menus/fr/Menus.archive");
    const auto de = test::ParseArchiveOrFail(files[0]);
    ASSERT_EQ(de.Entries.size(), 3u);
    EXPECT_EQ(de.Entries[0].Translation, "Hallo {PlayerName}!"); // translated before: kept
    EXPECT_EQ(de.Entries[1].Translation, PseudoLocalize("Press <b>Start</b> to play"));
    EXPECT_EQ(de.Entries[2].Translation, PseudoLocalize("You have {0} coins"));
}

TEST_F(ServiceHttp, TranslateAllCountsAndReplacesEveryText)
{
    const int some = Upload("key-a")[Field::Content][Field::CharCount];
    const json all = Upload("key-a", "true");
    EXPECT_GT(all[Field::Content][Field::CharCount].get<int>(), some);
    const auto files =
        test::ReadResultPackage(PollUntilDone("key-a", all[Field::Content])[Field::Content][Field::FileB64]);
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(test::ParseArchiveOrFail(files[0]).Entries[0].Translation,
              PseudoLocalize("Hello {PlayerName}!"));
}

TEST_F(ServiceHttp, KeysAndAllowancesDecideWhetherATaskStarts)
{
    const json unknown = Upload("nobody");
    EXPECT_EQ(unknown[Field::Status], Status::Refused);
    EXPECT_NE(unknown[Field::Msg].get<std::string>().find("API_KEY"), std::string::npos);
    EXPECT_EQ(Upload("")[Field::Status], Status::Refused);

    const json tiny = Upload("tiny");
    EXPECT_EQ(tiny[Field::Status], Status::Question) << tiny.dump();
    EXPECT_EQ(tiny[Field::Content][Field::ResultErrorMsg], "http://account.test/top-up");
    EXPECT_EQ(tiny[Field::Content][Field::UserTransLimit_LastCharCount], 5);
    EXPECT_EQ(tiny[Field::Content][Field::UserID], 13);
    EXPECT_GT(tiny[Field::Content][Field::CharCount].get<int>(), 5);
    EXPECT_TRUE(tiny[Field::Content][Field::TaskidList].empty());

    // Tasks belong to their key: another key cannot read them.
    const json accepted = Upload("key-a");
    const json stolen = Post(StatusPath, accepted[Field::Content].dump(), PluginHeaders("key-b", "0"));
    EXPECT_EQ(stolen[Field::Status], Status::Refused);
}

TEST_F(ServiceHttp, BlankOrMissingKeyIsReportedAsNoKeySet)
{
    const std::string body = test::UploadBody(test::SampleUpload(), "77");
    std::string headers;
    for (const auto& [name, value] : PluginHeaders("key-a"))
    {
        if (name != "Authorization")
            headers += name + ": " + value + "\r\n";
    }
    for (const std::string authorization : {"Authorization:\r\n", "Authorization:   \r\n", ""})
    {
        for (const std::string path : {UploadPath, StatusPath})
        {
            const std::string sent = path == UploadPath ? body : "{\"TaskidList\":[1]}";
            const std::string answer =
                RawExchange(service_.Port(), "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers +
                                                 authorization + "Connection: close\r\nContent-Length: " +
                                                 std::to_string(sent.size()) + "\r\n\r\n" + sent);
            const json envelope = json::parse(answer.substr(std::min(answer.find("\r\n\r\n"), answer.size())),
                                              nullptr, false);
            EXPECT_EQ(envelope.value(Field::Status, -1), Status::Refused) << path << " " << answer;
            EXPECT_NE(envelope.value(Field::Msg, std::string()).find("No API key is set"), std::string::npos)
                << path << " with \"" << authorization << "\": " << answer;
        }
    }
}

TEST_F(ServiceHttp, UploadsBeyondTheMemoryBudgetAreBusyUntilOneEnds)
{
    // TestConfig: uploads up to 1 MiB, and 1 MiB of bodies held at once.
    const std::string body = test::UploadBody(test::SampleUpload(), "77");
    std::string head =
        std::string("POST ") + UploadPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 900000\r\n";
    for (const auto& [name, value] : PluginHeaders("key-a"))
        head += name + ": " + value + "\r\n";
    head += "\r\n" + std::string(1000, 'x');
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(service_.Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int slow = -1;
    const auto open_slow = [&]
    {
        if (slow >= 0)
            ::close(slow);
        slow = ::socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_EQ(::connect(slow, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ASSERT_EQ(::send(slow, head.data(), head.size(), MSG_NOSIGNAL), static_cast<ssize_t>(head.size()));
    };
    open_slow();

    // 200 000 bytes do not fit beside the 900 000 the unfinished upload holds. Whichever of the
    // two takes its share first wins, so while the other one gets through, the unfinished upload
    // may have come second (or not yet): it starts over.
    const std::string other(200000, 'x');
    json answer;
    for (int i = 0; i < 100; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        answer = Post(UploadPath, other, PluginHeaders("key-a"));
        if (answer.value(Field::Msg, std::string()).find("busy") != std::string::npos)
            break;
        open_slow();
    }
    EXPECT_EQ(answer.value(Field::Status, -1), Status::Refused) << answer.dump();
    EXPECT_NE(answer.value(Field::Msg, std::string()).find("busy"), std::string::npos) << answer.dump();

    // The abandoned upload gives its share back.
    ::close(slow);
    for (int i = 0; i < 200; ++i)
    {
        answer = Post(UploadPath, body, PluginHeaders("key-a"));
        if (answer.value(Field::Status, -1) == Status::Working)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(answer.value(Field::Status, -1), Status::Working) << answer.dump();
}

TEST(ServiceSlowClients, ABodyThatTricklesInIsCutOffAndFreesItsShare)
{
    ServiceConfig config = TestConfig();
    config.client_timeout_seconds = 1;
    config.min_body_bytes_per_second = 4096;
    TranslationService service(config);
    std::string error;
    ASSERT_TRUE(service.Start(error)) << error;
    std::string head =
        std::string("POST ") + UploadPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 900000\r\n";
    for (const auto& [name, value] : test::PluginHeaders("key-a"))
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    const int slow = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(service.Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(slow, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::send(slow, head.data(), head.size(), MSG_NOSIGNAL), static_cast<ssize_t>(head.size()));
    // A byte every 200 ms never trips the time-out; the service must end it all the same.
    bool cut_off = false;
    for (int i = 0; i < 150 && !cut_off; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        char answer[512];
        cut_off = ::send(slow, "x", 1, MSG_NOSIGNAL) != 1 || ::recv(slow, answer, sizeof answer, MSG_DONTWAIT) >= 0;
    }
    ::close(slow);
    EXPECT_TRUE(cut_off) << "the trickling upload still holds its connection";

    // Its share of the upload budget is back: a full-size upload fits again.
    httplib::Client client("127.0.0.1", service.Port());
    const auto answer = client.Post(UploadPath, test::PluginHeaders("key-a"),
                                    test::UploadBody(test::SampleUpload(), "77"), "application/octet-stream");
    ASSERT_TRUE(answer);
    EXPECT_EQ(json::parse(answer->body).value(Field::Status, -1), Status::Working) << answer->body;
}

TEST_F(ServiceHttp, SecondServiceOnABusyPortFailsNamingThePort)
{
    ServiceConfig config = TestConfig();
    config.port = service_.Port();
    TranslationService second(config);
    std::string error;
    EXPECT_FALSE(second.Start(error));
    EXPECT_NE(error.find("port " + std::to_string(service_.Port())), std::string::npos) << error;
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    // The first one still answers every request.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Post(CheckUpdatePath, "", PluginHeaders("key-a")).value(Field::Status, -1),
                  Status::UpdateOffer);
}

TEST_F(ServiceHttp, BadInputGetsStatusZeroAndTheServiceGoesOn)
{
    const std::string good = test::UploadBody(test::SampleUpload(), "77");
    struct Case
    {
        const char* what;
        std::string body;
        httplib::Headers headers;
    };
    auto without = [](const char* name)
    {
        auto headers = PluginHeaders("key-a");
        headers.erase(name);
        return headers;
    };
    auto with = [](const char* name, const char* value)
    {
        auto headers = PluginHeaders("key-a");
        headers.erase(name);
        headers.emplace(name, value);
        return headers;
    };
    const std::vector<Case> uploads = {
        {"not a zip", "hello", PluginHeaders("key-a")},
        {"empty body", "", PluginHeaders("key-a")},
        {"wrong job number", good, PluginHeaders("key-a", "78")},
        {"over the size cap", std::string((1u << 20) + 1, 'x'), PluginHeaders("key-a")},
        {"no Authorization", good, without("Authorization")},
        {"no Rnd", good, without("Rnd")},
        {"no NativeLang", good, without("NativeLang")},
        {"no TranslateAll", good, without("TranslateAll")},
        {"no TranslatorType", good, without("TranslatorType")},
        {"negative Rnd", good, with("Rnd", "-77")},
        {"NativeLang not base64", good, with("NativeLang", "{\"Game\":\"en\"}")},
        {"NativeLang not an object", good, with("NativeLang", "WzFd")},
        {"TranslateAll not a bool", good, with("TranslateAll", "yes")},
    };
    for (const Case& c : uploads)
    {
        const json answer = Post(UploadPath, c.body, c.headers);
        EXPECT_EQ(answer.value(Field::Status, -1), Status::Refused) << c.what << ": " << answer.dump();
        EXPECT_FALSE(answer.value(Field::Msg, std::string()).empty()) << c.what;
    }

    const json accepted = Upload("key-a");
    json unknown_task = accepted[Field::Content];
    unknown_task[Field::TaskidList] =
        json::array({accepted[Field::Content][Field::TaskidList][0].get<int>() ^ 0x5a5a});
    const std::vector<Case> polls = {
        {"not JSON", "{\"TaskidList\":", PluginHeaders("key-a", "0")},
        {"no task id", "{\"TaskidList\":[]}", PluginHeaders("key-a", "0")},
        {"wrong member type", "{\"TaskidList\":\"1\"}", PluginHeaders("key-a", "0")},
        {"unknown task", unknown_task.dump(), PluginHeaders("key-a", "0")},
        {"no Authorization", accepted[Field::Content].dump(), without("Authorization")},
        {"oversized record", std::string(2u << 20, ' '), PluginHeaders("key-a", "0")},
    };
    for (const Case& c : polls)
        EXPECT_EQ(Post(StatusPath, c.body, c.headers).value(Field::Status, -1), Status::Refused) << c.what;

    EXPECT_EQ(PollUntilDone("key-a", accepted[Field::Content])[Field::Content][Field::CompletionProgress],
              100.0);
}

TEST_F(ServiceHttp, CheckUpdateOffersNewerVersions)
{
    auto headers = PluginHeaders("");
    const json offer = Post(CheckUpdatePath, "", headers);
    EXPECT_EQ(offer[Field::Status], Status::UpdateOffer);
    EXPECT_EQ(offer[Field::Content][Field::ResultErrorMsg], "http://updates.test/lirno");
    EXPECT_NE(offer[Field::Msg].get<std::string>().find("1.4"), std::string::npos);

    headers.erase("Version");
    headers.emplace("Version", "1.4");
    EXPECT_NE(Post(CheckUpdatePath, "", headers)[Field::Status], Status::UpdateOffer);
}
} // namespace lirno::service

namespace lirno::service
{
TEST(ServiceTls, ServesHttpsWithTheGivenCertificateAndRefusesMissingOnes)
{
    const testsupport::FTempFolder folder("lirno-tls");
    const std::string cert = (folder / "cert.pem").string(), key = (folder / "key.pem").string();
    const util::ChildResult made =
        util::RunChild({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                        cert, "-days", "1", "-subj", "/CN=127.0.0.1"},
                       "", std::chrono::seconds(60));
    if (!made.started || made.exit_code != 0)
        GTEST_SKIP() << "openssl cannot make a test certificate";

    ServiceConfig config = TestConfig();
    config.tls_cert = cert;
    config.tls_key = key;
    TranslationService service(config);
    std::string error;
    ASSERT_TRUE(service.Start(error)) << error;
    EXPECT_EQ(service.BaseAddress().rfind("https://127.0.0.1:", 0), 0u);
    httplib::SSLClient client("127.0.0.1", service.Port());
    client.enable_server_certificate_verification(false);
    const auto answer = client.Post(CheckUpdatePath, {{"Version", "1.0"}}, "", "application/json");
    ASSERT_TRUE(answer);
    EXPECT_EQ(json::parse(answer->body)[Field::Status], Status::UpdateOffer);

    config.tls_cert = (folder / "missing.pem").string();
    TranslationService broken(config);
    EXPECT_FALSE(broken.Start(error));
    EXPECT_NE(error.find("missing.pem"), std::string::npos);
}
} // namespace lirno::service

namespace lirno::service
{
namespace
{
// Translates into German only, by prefixing.
class GermanProvider final : public Provider
{
public:
    std::string_view Name() const override { return "german"; }
    bool Supports(const LanguagePair& pair) const override { return pair.target_culture == "de"; }
    std::vector<std::optional<std::string>> Translate(const LanguagePair&,
                                                      const std::vector<std::string>& texts) override
    {
        std::vector<std::optional<std::string>> out;
        for (const std::string& text : texts)
            out.emplace_back("DE " + text);
        return out;
    }
};
} // namespace

TEST(ServiceProvenance, MarksWhatItWritesAndRetranslatesOnlyPseudoTextsOnTheNextRun)
{
    ServiceConfig config = TestConfig();
    config.default_provider = "german";
    config.fallback = "none";
    std::vector<std::unique_ptr<Provider>> providers;
    providers.push_back(std::make_unique<GermanProvider>());
    providers.push_back(std::make_unique<PseudoProvider>());
    TranslationService service(config, std::move(providers));
    std::string error;
    ASSERT_TRUE(service.Start(error)) << error;
    httplib::Client client("127.0.0.1", service.Port());
    client.set_read_timeout(10, 0);
    const auto run = [&](const std::vector<PackageEntry>& upload)
    {
        const auto posted = client.Post(UploadPath, test::PluginHeaders("key-a"),
                                        test::UploadBody(upload, "77"), "application/octet-stream");
        json answer = posted ? json::parse(posted->body, nullptr, false) : json();
        EXPECT_EQ(answer.value(Field::Status, -1), Status::Working) << (posted ? posted->body : "no answer");
        const json record = answer[Field::Content];
        for (int i = 0; i < 500 && answer[Field::Content].value(Field::CompletionProgress, 0.0) < 100.0; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const auto polled =
                client.Post(StatusPath, test::PluginHeaders("key-a", "0"), record.dump(), "application/json");
            answer = polled ? json::parse(polled->body, nullptr, false) : json();
        }
        return std::make_pair(record[Field::CharCount].get<int>(), answer[Field::Content]);
    };

    // de: one text pseudo-localized earlier, one translated by a person, one missing; ja has no
    // provider; qps is a pseudo culture.
    const std::vector<std::string> game = {"Hello {PlayerName}!", "Press <b>Start</b>", "You have {0} coins"};
    locformat::FArchive de = test::ParseArchiveOrFail(
        {"de", test::ArchiveJson("Game", "de", game, {PseudoLocalize(game[0]), "Drücke <b>Start</b>"})});
    locformat::SetOrigin(de.Entries[0], "pseudo");
    std::vector<PackageEntry> upload = {{"Game/Game.manifest", test::ManifestJson("Game", "en", game)},
                                        {"Game/en/Game.archive", test::ArchiveJson("Game", "en", game, game)},
                                        {"Game/de/Game.archive", ""},
                                        {"Game/ja/Game.archive", test::ArchiveJson("Game", "ja", game)},
                                        {"Game/qps/Game.archive", test::ArchiveJson("Game", "qps", game)}};
    ASSERT_TRUE(locformat::ArchiveToJson(de, upload[2].bytes, error));

    const auto [first_characters, first] = run(upload);
    const std::size_t all =
        util::CountCodePoints(game[0]) + util::CountCodePoints(game[1]) + util::CountCodePoints(game[2]);
    EXPECT_EQ(first_characters,
              static_cast<int>(util::CountCodePoints(game[0]) + util::CountCodePoints(game[2]) + 2 * all));
    const std::string message = first.value(Field::ResultMsg, "");
    EXPECT_NE(message.find("Nothing for ja (3 texts)"), std::string::npos) << message;
    EXPECT_NE(message.find("2 texts are machine output"), std::string::npos) << message;
    const auto files = test::ReadResultPackage(first.value(Field::FileB64, ""));
    ASSERT_EQ(files.size(), 3u);
    const auto de_out = test::ParseArchiveOrFail(files[0]);
    EXPECT_EQ(de_out.Entries[0].Translation, "DE " + game[0]);
    EXPECT_EQ(locformat::GetOrigin(de_out.Entries[0]), "machine:german");
    EXPECT_EQ(de_out.Entries[1].Translation, "Drücke <b>Start</b>");
    EXPECT_EQ(locformat::GetOrigin(de_out.Entries[1]), "") << "a person's translation keeps no mark";
    EXPECT_EQ(locformat::GetOrigin(de_out.Entries[2]), "machine:german");
    const auto ja_out = test::ParseArchiveOrFail(files[1]);
    for (const auto& entry : ja_out.Entries)
        EXPECT_TRUE(entry.Translation.empty() && entry.OtherFields.empty()) << entry.Key;
    const auto qps_out = test::ParseArchiveOrFail(files[2]);
    for (std::size_t i = 0; i < game.size(); ++i)
    {
        EXPECT_EQ(qps_out.Entries[i].Translation, PseudoLocalize(game[i]));
        EXPECT_EQ(locformat::GetOrigin(qps_out.Entries[i]), "pseudo");
    }

    // The next run takes the archives as they came back: machine output stays, the pseudo
    // culture is translated (and counted) again, ja is still missing.
    upload[2].bytes = files[0].bytes;
    upload[4].bytes = files[2].bytes;
    const auto [second_characters, second] = run(upload);
    EXPECT_EQ(second_characters, static_cast<int>(2 * all));
    const auto again = test::ReadResultPackage(second.value(Field::FileB64, ""));
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[0].bytes, files[0].bytes);
}
} // namespace lirno::service
