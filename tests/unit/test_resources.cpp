// The menu bar, its accelerators, the tool bar layout and the command strings live in one
// place, the resource script. Menus of another process cannot be read under Wine, so this
// checks that script against the table the program is built to.
#include <gtest/gtest.h>

#include "test_support.h"

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::map<std::string, long> Defines() {
    std::map<std::string, long> values;
    const std::regex define(R"(#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)\s*$)");
    std::istringstream in(ReadSourceFile("src/res/resource.h"));
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_match(line, m, define)) values[m[1]] = std::stol(m[2], nullptr, 0);
    }
    return values;
}

// The lines between "NAME KIND" and its matching END.
std::vector<std::string> Block(const std::string& header) {
    std::istringstream in(ReadSourceFile("src/res/Kanjiforge.rc"));
    std::vector<std::string> lines;
    bool inside = false;
    int depth = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = line.substr(std::min(line.find_first_not_of(' '), line.size()));
        if (!inside) {
            inside = trimmed == header;
            continue;
        }
        if (trimmed == "BEGIN") {
            ++depth;
        } else if (trimmed == "END") {
            if (--depth == 0) break;
        } else if (!trimmed.empty()) {
            lines.push_back(trimmed);
        }
    }
    return lines;
}

long Id(const std::map<std::string, long>& defines, const std::string& name) {
    auto it = defines.find(name);
    return it == defines.end() ? std::stol(name, nullptr, 0) : it->second;
}

// The menu as indented lines: "text|id|keys", "-" for a separator, popups by their text.
std::vector<std::string> MenuOutline() {
    const auto defines = Defines();
    std::vector<std::string> outline;
    const std::regex popup(R"re(POPUP "(.*)")re");
    const std::regex item(R"re(MENUITEM "([^"\\]*)(?:\\t([^"]*))?", (\w+))re");
    int depth = -1;
    std::istringstream in(ReadSourceFile("src/res/Kanjiforge.rc"));
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = line.substr(std::min(line.find_first_not_of(' '), line.size()));
        if (!inside) {
            inside = trimmed == "IDR_MAINFRAME MENU";
            continue;
        }
        std::smatch m;
        const std::string indent(static_cast<std::size_t>(std::max(depth, 0)) * 2, ' ');
        if (trimmed == "BEGIN") {
            ++depth;
        } else if (trimmed == "END") {
            if (--depth < 0) break;
        } else if (std::regex_match(trimmed, m, popup)) {
            outline.push_back(indent + m[1].str());
        } else if (trimmed == "MENUITEM SEPARATOR") {
            outline.push_back(indent + "-");
        } else if (std::regex_match(trimmed, m, item)) {
            outline.push_back(indent + m[1].str() + "|" + std::to_string(Id(defines, m[3])) + "|" +
                              m[2].str());
        } else {
            outline.push_back("unparsed: " + trimmed);
        }
    }
    return outline;
}

TEST(Resources, MenuBarHasEveryItemSeparatorAndKeyText) {
    const std::vector<std::string> expected = {
        "ﾌｧｲﾙ(&F)",
        "  新規外字ｴﾃﾞｨﾀ(&N)|57600|Ctrl+N",
        "  -",
        "  編集中のｺｰﾄﾞを保存(&S)|32824|Ctrl+S",
        "  直接保存(&D)|32827|",
        "  -",
        "  ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)|57665|",
        "編集(&E)",
        "  元に戻す(&U)|57643|Ctrl+Z",
        "  元に戻すをやり直し(&R)|57644|Ctrl+Y",
        "  -",
        "  切り取り(&T)|57635|Ctrl+X",
        "  ｺﾋﾟｰ(&C)|57634|Ctrl+C",
        "  貼り付け(&P)|57637|Ctrl+V",
        "  -",
        "  次のｺｰﾄﾞ(&F)|32798|Ctrl+F",
        "  前のｺｰﾄﾞ(&P)|32799|Ctrl+P",
        "  ｺｰﾄﾞの選択(&O)...|57601|Ctrl+O",
        "  -",
        "  ｸﾞﾘｯﾄﾞの設定(&G)...|32778|",
        "  -",
        "  標準文字を検索(&K)...|32828|Ctrl+K",
        "作画(&D)",
        "  ﾍﾟﾝ入替(&C)|32788|Enter",
        "  -",
        "  移動(&M)|32818|Home",
        "  ﾍﾟﾝ(&P)|32779|Ctrl+Shift+P",
        "  直線(&L)|32780|Ctrl+Shift+L",
        "  四角(&R)|32781|Ctrl+Shift+R",
        "  円(&Y)|32783|Ctrl+Shift+Y",
        "  塗りつぶし(&F)|32782|Ctrl+Shift+F",
        "  -",
        "  ｳｨﾝﾄﾞｳｽﾞｰﾑ(&Z)|32814|",
        "選択(&S)",
        "  選択解除(&R)|32787|Ctrl+R",
        "  -",
        "  全て選択(&A)|32784|Ctrl+A",
        "  四角で選択(&R)|32785|",
        "  自動選択(&M)|32786|",
        "  選択を反転(&I)|32825|",
        "ｲﾒｰｼﾞ(&I)",
        "  白黒反転(&I)|32789|",
        "  上下反転(&U)|32790|",
        "  左右反転(&R)|32791|",
        "  回転(&T)",
        "    右90°回転(&1)|32792|",
        "    右180度回転(&2)|32826|",
        "    右240度回転(&3)|32794|",
        "  -",
        "  ﾚｲﾔｰ表示(&L)",
        "    ｻﾝﾌﾟﾙﾚｲﾔｰ1(&A)|32795|Shift+F1",
        "    ｻﾝﾌﾟﾙﾚｲﾔｰ2(&B)|32796|Shift+F2",
        "    ｻﾝﾌﾟﾙﾚｲﾔｰ3(&C)|32797|Shift+F3",
        "ﾂｰﾙ(&T)",
        "  外字管理ﾂｰﾙ(&M)...|32775|",
        "  ﾕｰｻﾞｰ外字表示(&L)...|32776|",
        "ﾍﾙﾌﾟ(&H)",
        "  使い方の説明(&H)...|57670|F1",
        "  -",
        "  GlyphoEditor のﾊﾞｰｼﾞｮﾝ情報(&A)...|57664|",
    };
    EXPECT_EQ(MenuOutline(), expected);
}

// Accelerators as "Keys=id", with the key names the menu texts use.
std::set<std::string> Accelerators() {
    const auto defines = Defines();
    const std::map<std::string, std::string> keyNames = {
        {"VK_DELETE", "Delete"}, {"VK_INSERT", "Insert"}, {"VK_RETURN", "Enter"}, {"VK_HOME", "Home"},
        {"VK_F1", "F1"},         {"VK_F2", "F2"},         {"VK_F3", "F3"},        {"VK_F6", "F6"}};
    const std::regex entry(R"re(("(\w)"|VK_\w+), (\w+), VIRTKEY((?:, \w+)*))re");
    std::set<std::string> result;
    for (const std::string& line : Block("IDR_MAINFRAME ACCELERATORS")) {
        std::smatch m;
        if (!std::regex_match(line, m, entry)) {
            result.insert("unparsed: " + line);
            continue;
        }
        const std::string key = m[2].matched ? m[2].str() : keyNames.at(m[1].str());
        const std::string mods = m[4].str();
        std::string text = (mods.find("CONTROL") != std::string::npos ? "Ctrl+" : "") +
                           std::string(mods.find("SHIFT") != std::string::npos ? "Shift+" : "") + key;
        result.insert(text + "=" + std::to_string(Id(defines, m[3])));
    }
    return result;
}

TEST(Resources, AcceleratorsMatchTheKeysOfEveryCommand) {
    const std::set<std::string> expected = {
        "Ctrl+N=57600",       "Ctrl+S=32824",       "Ctrl+Z=57643",       "Ctrl+Y=57644",
        "Ctrl+X=57635",       "Shift+Delete=57635", "Ctrl+C=57634",       "Ctrl+Insert=57634",
        "Ctrl+V=57637",       "Shift+Insert=57637", "Ctrl+F=32798",       "Ctrl+P=32799",
        "Ctrl+O=57601",       "Enter=32788",        "Home=32818",         "Ctrl+Shift+P=32779",
        "Ctrl+Shift+L=32780", "Ctrl+Shift+R=32781", "Ctrl+Shift+Y=32783", "Ctrl+Shift+F=32782",
        "Ctrl+R=32787",       "Ctrl+A=32784",       "Shift+F1=32795",     "Shift+F2=32796",
        "Shift+F3=32797",     "F1=57670",           "F6=57680",           "Shift+F6=57681",
        "Ctrl+K=32828"};
    EXPECT_EQ(Accelerators(), expected);
}

TEST(Resources, ToolBarLayoutAndCommandStrings) {
    const auto defines = Defines();
    std::vector<long> toolbar;
    for (const std::string& line : Block("IDR_MAINFRAME RT_TOOLBAR_DATA")) {
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');) {
            field.erase(0, field.find_first_not_of(' '));
            field.erase(field.find_last_not_of(' ') + 1);
            if (!field.empty()) toolbar.push_back(Id(defines, field));
        }
    }
    const std::vector<long> expected = {1,     24,    24,    22,    57600, 32824, 0,     57643, 57644,
                                        0,     32818, 32779, 32780, 32781, 32783, 32782, 32814, 0,
                                        32787, 32785, 32786, 0,     32775, 32776, 0,     32828};
    EXPECT_EQ(toolbar, expected);

    std::map<long, std::string> strings;
    const std::regex entry(R"re((\w+)\s+"(.*)")re");
    for (const std::string& line : Block("STRINGTABLE")) {
        std::smatch m;
        if (std::regex_match(line, m, entry)) strings[Id(defines, m[1])] = m[2];
    }
    const std::map<long, std::string> someExpected = {
        {57600, "新規ｴﾃﾞｨﾀを起動\\n新規外字ｴﾃﾞｨﾀ"},
        {32782,
         "矩形ぬりつぶし "
         "[左ｸﾘｯｸは現在のﾍﾟﾝ、右ｸﾘｯｸはその反転で塗りつぶし、Shift+右ｸﾘｯｸはﾚｲﾔｰ部分塗りつぶし]\\n塗りつぶし"},
        {32814, "ｳｨﾝﾄﾞｳのｽﾞｰﾑ　[+Shift でｽﾞｰﾑﾀﾞｳﾝ]\\nｳｨﾝﾄﾞｳｽﾞｰﾑ [+Shift ｽﾞｰﾑﾀﾞｳﾝ]"},
        {32776, "[外部ﾌﾟﾛｸﾞﾗﾑ起動]　ﾕｰｻﾞｰ外字（．ＴＴＥ）の一覧を表示\\nﾕｰｻﾞｰ外字表示"},
        {32795, "ｻﾝﾌﾟﾙﾚｲﾔｰ1の表示非表示切替\\nｻﾝﾌﾟﾙﾚｲﾔｰ１表示／非表示"},
        {57664, "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\\nﾊﾞｰｼﾞｮﾝ情報"},
        {57680, "次のｳｨﾝﾄﾞｳに切り替える"},
        {57345, "ﾚﾃﾞｨ"},
        {130, "%s　[ CODE= %s ]"},
    };
    for (const auto& [id, text] : someExpected) EXPECT_EQ(strings[id], text) << "string " << id;
    // Every command of the menu and the tool bar has a prompt and a tool tip.
    for (long id : toolbar) {
        if (id < 32768) continue;
        EXPECT_NE(strings[id].find("\\n"), std::string::npos) << "command " << id;
    }
}

}  // namespace
