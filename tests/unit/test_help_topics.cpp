// Help topics lead to the manual's headings, and the manual's address reaches the browser unchanged
// whatever the program's folder is called and however the system's browser command is written.
#include <gtest/gtest.h>

#include "app/help_topics.h"

namespace {

TEST(HelpTopics, EachTopicHasItsPageAndHeading) {
    EXPECT_EQ(ManualPlaceForTopic(53)->page, L"editor.html");
    EXPECT_EQ(ManualPlaceForTopic(53)->anchor, L"main-window");
    EXPECT_EQ(ManualPlaceForTopic(54)->anchor, L"grid-dialog");
    EXPECT_EQ(ManualPlaceForTopic(55)->page, L"layers.html");
    EXPECT_EQ(ManualPlaceForTopic(55)->anchor, L"layer-dialog");
    EXPECT_EQ(ManualPlaceForTopic(56)->anchor, L"code-dialog");
    EXPECT_FALSE(ManualPlaceForTopic(0));
    EXPECT_FALSE(ManualPlaceForTopic(57));
    EXPECT_EQ(ManualPagePath(L"C:\\Kanjiforge\\", L"index.html"), L"C:\\Kanjiforge\\manual\\index.html");
    EXPECT_EQ(ManualPagePath(L"C:\\Kanjiforge", L"index.html"), L"C:\\Kanjiforge\\manual\\index.html");
}

TEST(HelpTopics, FileUrlsEscapeWhatABrowserWouldSplit) {
    EXPECT_EQ(FileUrl(L"C:\\Kanjiforge\\manual\\editor.html", L"main-window"),
              L"file:///C:/Kanjiforge/manual/editor.html#main-window");
    EXPECT_EQ(FileUrl(L"C:\\Program Files\\K F\\index.html", L""),
              L"file:///C:/Program%20Files/K%20F/index.html");
    // Japanese folder names as UTF-8; '#', '%', '&' and quotes in a folder name cannot end the path.
    EXPECT_EQ(FileUrl(L"D:\\外字\\a#b%c&\"d.html", L"x"),
              L"file:///D:/%E5%A4%96%E5%AD%97/a%23b%25c%26%22d.html#x");
    // A character outside the basic plane is one four-byte sequence; a lone surrogate is U+FFFD.
    EXPECT_EQ(FileUrl(std::wstring(L"C:\\") + L"\xD842\xDFB7" + L".html", L""),
              L"file:///C:/%F0%A0%AE%B7.html");
    EXPECT_EQ(FileUrl(std::wstring(L"C:\\") + L"\xD842" + L".html", L""), L"file:///C:/%EF%BF%BD.html");
    EXPECT_EQ(FileUrl(L"\\\\server\\share\\m.html", L""), L"file://server/share/m.html");
}

TEST(HelpTopics, BrowserCommandTakesTheUrlWhereTheSystemWantsIt) {
    const std::wstring url = L"file:///C:/K/manual/editor.html#grid-dialog";
    EXPECT_EQ(BrowserCommandFor(L"\"C:\\Program Files\\B\\b.exe\" --single-argument %1", url),
              (BrowserCommand{L"C:\\Program Files\\B\\b.exe", L"--single-argument " + url}));
    EXPECT_EQ(BrowserCommandFor(L"\"C:\\F\\firefox.exe\" -osint -url \"%1\"", url),
              (BrowserCommand{L"C:\\F\\firefox.exe", L"-osint -url \"" + url + L"\""}));
    // No place for the URL: it goes at the end; %* stands for nothing, %% for one percent sign.
    EXPECT_EQ(BrowserCommandFor(L"\"C:\\b.exe\"", url), (BrowserCommand{L"C:\\b.exe", url}));
    EXPECT_EQ(BrowserCommandFor(L"  C:\\b.exe -x %* 100%%  ", url),
              (BrowserCommand{L"C:\\b.exe", L"-x  100% " + url}));
    // An old unquoted path with blanks ends at its ".exe".
    EXPECT_EQ(BrowserCommandFor(L"C:\\Program Files\\Internet Explorer\\iexplore.exe %L", url),
              (BrowserCommand{L"C:\\Program Files\\Internet Explorer\\iexplore.exe", url}));
    EXPECT_EQ(BrowserCommandFor(L"winebrowser -nohome", url),
              (BrowserCommand{L"winebrowser", L"-nohome " + url}));
    // Nothing to start.
    EXPECT_FALSE(BrowserCommandFor(L"", url));
    EXPECT_FALSE(BrowserCommandFor(L"   ", url));
    EXPECT_FALSE(BrowserCommandFor(L"\"C:\\unclosed.exe %1", url));
    EXPECT_FALSE(BrowserCommandFor(L"\"\" %1", url));
}

}  // namespace
