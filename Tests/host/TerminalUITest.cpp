#include "TerminalUI.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

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

TEST(TerminalUI, InteractiveQuestionShowsTheDefaultAndRepeatsUntilAnswered)
{
    char answers[] = "maybe\n Yes \n\n";
    std::FILE* input = fmemopen(answers, sizeof answers - 1, "r");
    FCapturedConsole out;
    FTerminalUI ui(out.Console(), Options(true, false, input));
    EXPECT_TRUE(ui.AskYesNo("Proceed?"));
    EXPECT_FALSE(ui.AskYesNo("Enter?"));  // an empty line takes the default
    EXPECT_FALSE(ui.AskYesNo("Again?")); // input exhausted
    ui.ShowMessage("Done"); // never waits for a key
    std::fclose(input);
    const std::string text = out.Text();
    EXPECT_NE(text.find("question: Proceed?\n(answer y or n) [y/N]\n(answer y or n) [y/N]\nanswer: yes\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("question: Enter?\n(answer y or n) [y/N]\nanswer: no\n"), std::string::npos) << text;
    EXPECT_NE(text.find("question: Again?\n(answer y or n) [y/N]\nanswer: no\nmessage: Done\n"), std::string::npos)
        << text;
}

TEST(TerminalUI, TextFromOutsideCannotForgeLinesOrMoveTheCursor)
{
    FCapturedConsole out;
    FTerminalUI ui(out.Console(), Options(false, false));
    ui.ShowMessage("Working\nmessage: RT done\x1b[2J\r\xc2\x9b" "31m\xff ok \xc3\xa9\r\n");
    ui.AskYesNo("Top up?\nanswer: yes");
    out.Console().WriteLine("LogX: Warning: a\x07" "b\tc");
    EXPECT_EQ(out.Text(), "message: Working\n  message: RT done\\x1b[2J\\r\\u009b31m\\xff ok \xc3\xa9\n"
                          "question: Top up?\n  answer: yes\nanswer: no\n"
                          "LogX: Warning: a\\x07b\tc\n");
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

TEST(TerminalProgress, RedrawnBarKeepsLogLinesAboveItAndIsClearedWhenClosed)
{
    ::setenv("COLUMNS", "60", 1);
    FCapturedConsole out(/*redraw=*/true);
    FTerminalUI ui(out.Console(), Options(false, false));
    {
        auto progress = ui.OpenProgress(10, LocText("ns", "k", "Working"));
        progress->Advance(5);
        out.Console().WriteLine("LogGeneral: Log: hello");
    }
    ::unsetenv("COLUMNS");
    const std::string text = out.Text();
    // 59 columns: 8 of frame, 7 of title, a 40-column bar (its largest).
    EXPECT_NE(text.find("\r\033[KLogGeneral: Log: hello\n[" + std::string(20, '#') + std::string(20, ' ') +
                        "]  50% Working"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.substr(text.size() - 4), "\r\033[K") << "the closed dialog's bar is gone";
}

namespace
{
// A pseudo-terminal of the given width: the console draws on its terminal side, the test reads
// what arrived from the other.
struct FPseudoTerminal
{
    explicit FPseudoTerminal(unsigned short columns)
    {
        Master = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(Master, 0);
        EXPECT_EQ(::grantpt(Master), 0);
        EXPECT_EQ(::unlockpt(Master), 0);
        const int slave = ::open(::ptsname(Master), O_RDWR | O_NOCTTY);
        EXPECT_GE(slave, 0);
        termios mode{};
        ::tcgetattr(slave, &mode);
        ::cfmakeraw(&mode); // bytes as written, no "\n" to "\r\n"
        ::tcsetattr(slave, TCSANOW, &mode);
        Resize(columns, slave);
        Out = ::fdopen(slave, "w");
        ::fcntl(Master, F_SETFL, ::fcntl(Master, F_GETFL) | O_NONBLOCK);
    }
    ~FPseudoTerminal()
    {
        std::fclose(Out);
        ::close(Master);
    }
    void Resize(unsigned short columns, int fd = -1)
    {
        winsize size{};
        size.ws_col = columns;
        size.ws_row = 24;
        ::ioctl(fd >= 0 ? fd : ::fileno(Out), TIOCSWINSZ, &size);
    }
    std::string Read()
    {
        std::fflush(Out);
        std::string text;
        char buffer[4096];
        for (int i = 0; i < 1000; ++i)
        {
            const ssize_t count = ::read(Master, buffer, sizeof buffer);
            if (count <= 0)
            {
                break;
            }
            text.append(buffer, static_cast<std::size_t>(count));
        }
        return text;
    }
    int Master = -1;
    std::FILE* Out = nullptr;
};

// The longest run of text between two line starts ("\r" or "\n"), without the escape codes.
std::size_t WidestDraw(const std::string& text)
{
    std::size_t widest = 0;
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text.compare(i, 3, "\033[K") == 0)
        {
            i += 2;
            continue;
        }
        if (text[i] == '\r' || text[i] == '\n')
        {
            width = 0;
            continue;
        }
        widest = std::max(widest, ++width);
    }
    return widest;
}
} // namespace

TEST(TerminalProgress, BarFitsTheTerminalWidthAndFollowsAResize)
{
    for (const unsigned short columns : {40, 120})
    {
        FPseudoTerminal terminal(columns);
        FConsole console(terminal.Out, true);
        EXPECT_EQ(console.Columns(), columns);
        FTerminalUI ui(console, Options(false, false));
        auto progress = ui.OpenProgress(100, LocText("ns", "k", "Translating the localization of every target..."));
        for (int i = 0; i < 10; ++i)
        {
            progress->Advance(10);
        }
        const std::string drawn = terminal.Read();
        EXPECT_NE(drawn.find("] 100% "), std::string::npos) << drawn;
        EXPECT_LE(WidestDraw(drawn), columns - 1u) << drawn;
        EXPECT_GE(WidestDraw(drawn), columns == 40 ? 30u : 80u) << "the width is used: " << drawn;

        terminal.Resize(30);
        progress->Advance(0);
        EXPECT_LE(WidestDraw(terminal.Read()), 29u);
    }
}

TEST(TerminalProgress, EscapeCodesOnlyForTerminalsThatWantThem)
{
    FPseudoTerminal terminal(80);
    const int fd = ::fileno(terminal.Out);
    const char* term = std::getenv("TERM");
    const std::string saved = term ? term : "";
    ::unsetenv("NO_COLOR");
    ::setenv("TERM", "xterm", 1);
    EXPECT_TRUE(FConsole::TakesEscapes(fd));
    ::setenv("TERM", "dumb", 1);
    EXPECT_FALSE(FConsole::TakesEscapes(fd));
    ::setenv("TERM", "xterm", 1);
    ::setenv("NO_COLOR", "1", 1);
    EXPECT_FALSE(FConsole::TakesEscapes(fd));
    ::unsetenv("NO_COLOR");
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    EXPECT_FALSE(FConsole::TakesEscapes(pipeEnds[1]));
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    term ? ::setenv("TERM", saved.c_str(), 1) : ::unsetenv("TERM");

    // Without escape codes progress comes as plain lines.
    FConsole plain(terminal.Out, false);
    FTerminalUI ui(plain, Options(false, false));
    ui.OpenProgress(10, LocText("ns", "k", "Working"))->Advance(10);
    EXPECT_EQ(terminal.Read(), "progress: Working 0%\nprogress: Working 100%\n");
}
