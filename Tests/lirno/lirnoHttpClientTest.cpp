// The request sender: addresses, the fourteen headers, bodies and completions.
#include "lirnoHttpClient.h"
#include "Json.h"
#include "lirnoTestSupport.h"

namespace lirnotest
{
namespace
{
using lirno::lirnoHttpClient;

class HttpClient : public PluginTest
{
protected:
    // Records each completion it receives.
    struct FOwner
    {
        lirnoHttpClient* Client = nullptr;
        std::vector<lirno::FHttp_Response> Seen;
        void OnDone() { Seen.push_back(Client->LastResponse()); }
    };
};

TEST_F(HttpClient, EveryRequestCarriesTheFourteenHeadersInOrder)
{
    host::FIniDocument game;
    game.Set("/Script/EngineSettings.GeneralProjectSettings", "ProjectID",
             "3F2504E04F8911D39A0C0305E82C3301");
    host::File::WriteAllText(Host->Folders.ProjectConfigDir() + "DefaultGame.ini", game.ToString());
    Host->AddGameTarget("Menus", {"fr", "en"}, 1);

    lirnoHttpClient client;
    client.PostText(std::string(ServiceHost) + CheckUpdatePath, "");
    const auto sent = Host->Web.Requests();
    ASSERT_EQ(sent.size(), 1u);
    const auto& request = sent[0].Request;
    EXPECT_EQ(request.Verb, "POST");
    EXPECT_EQ(request.Url, "http://service.test/api/zq/checkupdate");
    EXPECT_TRUE(request.Body.empty());

    nlohmann::ordered_json natives;
    natives["Game"] = "en";
    natives["Menus"] = "en";
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"User-Agent", "zq lirno"},
        {"Content-Type", "application/json; charset=UTF-8"},
        {"Accepts", "application/json; charset=UTF-8"},
        {"Authorization", ""},
        {"TranslateAll", "false"},
        {"ProjectFilePath", host::Base64Encode(Host->Folders.ProjectFilePath())},
        {"ProjectID", "3F2504E04F8911D39A0C0305E82C3301"},
        {"NativeLang", host::Base64Encode(host::WriteJsonPretty(natives))},
        {"Version", LIRNO_VERSION},
        {"Rnd", "0"},
        {"TranslatorType", "0"},
        {"ENGINE_MAJOR_VERSION", "5"},
        {"ENGINE_MINOR_VERSION", "4"},
        {"ENGINE_PATCH_VERSION", "3"},
    };
    EXPECT_EQ(request.Headers, expected);
    std::vector<std::uint8_t> decoded;
    ASSERT_TRUE(host::Base64Decode(sent[0].Header("NativeLang"), decoded));
    EXPECT_EQ(std::string(decoded.begin(), decoded.end()), "{\n\t\"Game\": \"en\",\n\t\"Menus\": \"en\"\n}");
}

TEST_F(HttpClient, HeadersFollowTheSettingsOfTheMoment)
{
    Host->Loc.SetGameTargets({});
    Settings().API_KEY = "key-123";
    Settings().TranslateAll = true;
    Settings().TranslatorProvider = lirno::ETranslatorType::Microsoft;
    Settings().Host = "http://service.test/";
    lirnoHttpClient client;
    client.SendRequest(Settings().Host + UploadPath, {1, 2, 3}, 32767);
    Settings().TranslatorProvider = lirno::ETranslatorType::AWS;
    client.PostText(Settings().Host + StatusPath, "{\"a\": \"\xC3\xA9\"}");

    const auto sent = Host->Web.Requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].Request.Url, "http://service.test//api/zqlirno/upload");
    EXPECT_EQ(sent[0].Header("Authorization"), "key-123");
    EXPECT_EQ(sent[0].Header("TranslateAll"), "true");
    EXPECT_EQ(sent[0].Header("TranslatorType"), "1");
    EXPECT_EQ(sent[0].Header("Rnd"), "32767");
    EXPECT_EQ(sent[0].Header("ProjectID"), "");
    EXPECT_EQ(sent[0].Header("NativeLang"),
              host::Base64Encode(host::WriteJsonPretty(nlohmann::ordered_json::object())));
    EXPECT_EQ(sent[0].Request.Body, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(sent[1].Header("TranslatorType"), "4");
    EXPECT_EQ(sent[1].Header("Rnd"), "0");
    EXPECT_EQ(sent[1].BodyText(), "{\"a\": \"\xC3\xA9\"}");
    EXPECT_EQ(sent[1].Header("Content-Type"), "application/json; charset=UTF-8");
}

TEST_F(HttpClient, EveryCompletionIsStoredAndReported)
{
    auto owner = std::make_shared<FOwner>();
    lirnoHttpClient client;
    owner->Client = &client;
    client.BindCompletion(owner, &FOwner::OnDone);
    Host->Web.Script(StatusPath, {500, "<html>error</html>"});
    Host->Web.Script(StatusPath, {0, ""});
    Host->Web.Script(StatusPath, {200, ""});
    for (int i = 0; i < 3; ++i)
    {
        client.PostText(std::string(ServiceHost) + StatusPath, "{}");
        EXPECT_TRUE(owner->Seen.size() == static_cast<std::size_t>(i)) << "never inside the send";
        Host->Clock.RunUntilIdle();
    }
    ASSERT_EQ(owner->Seen.size(), 3u);
    EXPECT_EQ(owner->Seen[0].StatusCode, 500);
    EXPECT_EQ(owner->Seen[0].Content, "<html>error</html>");
    EXPECT_EQ(owner->Seen[1].StatusCode, 0);

    lirno::FAPI_Response_TaskStatus envelope;
    client.ParseTaskResponse(envelope);
    EXPECT_EQ(envelope.Status, Status::Refused);
}

TEST_F(HttpClient, APendingRequestKeepsItsOwnerAlive)
{
    auto owner = std::make_shared<FOwner>();
    auto client = std::make_shared<lirnoHttpClient>();
    owner->Client = client.get();
    client->BindCompletion(owner, &FOwner::OnDone);
    client->PostText(std::string(ServiceHost) + StatusPath, "{}");
    const std::weak_ptr<FOwner> watch = owner;
    owner.reset();
    EXPECT_FALSE(watch.expired());
    ASSERT_TRUE(Host->Web.Respond({200, "{}"}));
    Host->Clock.RunUntilIdle();
    EXPECT_TRUE(watch.expired()) << "released once the completion has run";
}
} // namespace
} // namespace lirnotest
