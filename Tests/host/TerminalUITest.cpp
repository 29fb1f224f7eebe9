#include "TerminalUI.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

using namespace host;
using namespace host::test;

namespace
{
FTerminalUIOptions Options(bool interactive, bool answer, std::FILE* input = nullptr)
{
    FTerminalUIOptions options;
    options.Interactive = interactive;
    options.DefaultAnswer = answer;
    options.Input = input;
    options.Browser = [](const std::string&) { return false; };
    return options;
}
} // namespace

TEST(TerminalUI, NonInteractivePrintsMessagesAndAnswersQuestions)
{
    for (const bool answer : {false, true})
    {
        FCapturedConsole out;
        FTerminalUI ui(out.Console(), Options(false, answer));
        ui.ShowMessage("Translation is running!");
        EXPECT_EQ(ui.AskYesNo("Update now?"), answer);
        ui.OpenUrl("https://example.invalid/update");
        EXPECT_FALSE(ui.WasOutputLogShown());
        ui.ShowTab("OutputLog");
        EXPECT_TRUE(ui.WasOutputLogShown());
        EXPECT_EQ(out.Text(), std::string("message: Translation is running!\nquestion: Update now?\n") +
                                  (answer ? "answer: yes\n" : "answer: no\n") +
                                  "open: https://example.invalid/update\noutput log: (console only)\n");
    }
}

TEST(TerminalUI, InteractiveQuestionRepeatsUntilYesOrNoAndEndOfInputMeansNo)
{
    char answers[] = "maybe\n Yes \n";
    std::FILE* input = fmemopen(answers, sizeof answers - 1, "r");
    FCapturedConsole out;
    FTerminalUI ui(out.Console(), Options(true, false, input));
    EXPECT_TRUE(ui.AskYesNo("Proceed?"));
    EXPECT_FALSE(ui.AskYesNo("Again?")); // input exhausted
    std::fclose(input);
    const std::string text = out.Text();
    EXPECT_NE(text.find("question: Proceed?\n(answer y or n)\n(answer y or n)\nanswer: yes\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("question: Again?\n(answer y or n)\nanswer: no\n"), std::string::npos) << text;
}

TEST(TerminalUI, BrowserOnlyForWebAddresses)
{
    EXPECT_FALSE(OpenInSystemBrowser("file:///etc/passwd"));
    EXPECT_FALSE(OpenInSystemBrowser("-h"));
}

TEST(TerminalProgress, PlainLinesAtEachTenthAndClampedToTotal)
{
    FCapturedConsole out;
    FTerminalUI ui(out.Console(), Options(false, false));
    {
        auto progress = ui.OpenProgress(100, LocText("ns", "k", "Translating..."));
        progress->Advance(3);
        progress->Advance(4);   // 7%: same tenth, no line
        progress->Advance(5);   // 12%
        progress->Advance(-20); // below zero shows 0
        progress->Advance(500); // above the total shows 100
    }
    EXPECT_EQ(out.Text(), "progress: Translating... 0%\nprogress: Translating... 12%\n"
                          "progress: Translating... 0%\nprogress: Translating... 100%\n");
}

TEST(TerminalProgress, RedrawnBarKeepsLogLinesAboveIt)
{
    FCapturedConsole out(/*redraw=*/true);
    FTerminalUI ui(out.Console(), Options(false, false));
    {
        auto progress = ui.OpenProgress(10, LocText("ns", "k", "Working"));
        progress->Advance(5);
        out.Console().WriteLine("LogGeneral: Log: hello");
    }
    const std::string text = out.Text();
    EXPECT_NE(text.find("\r\033[KLogGeneral: Log: hello\n[###############               ] 50% Working"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.substr(text.size() - 18), "\r\033[K[Working] 50%\n");
}
