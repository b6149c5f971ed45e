// The code, save-confirmation and grid dialogs are found and driven by their texts and control
// ids (by users, and by the end-to-end tests), so the templates are checked against the table
// the dialog classes are built to.
#include <gtest/gtest.h>

#include "test_support.h"

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::map<std::string, long> DialogIds() {
    std::map<std::string, long> values = {{"IDOK", 1}, {"IDCANCEL", 2}};
    const std::regex define(R"(#define\s+(\w+)\s+\(?(-?\d+)\)?\s*$)");
    std::istringstream in(ReadSourceFile("src/res/dialog_ids.h"));
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_match(line, m, define)) values[m[1]] = std::stol(m[2]);
    }
    return values;
}

// Each template as lines: "id w h|caption|font", then one line per control:
// "kind|text|id|style flags" (flags: the BS_, ES_, SS_ and WS_GROUP names, in order).
std::map<long, std::vector<std::string>> Templates() {
    const auto ids = DialogIds();
    auto id = [&](const std::string& name) {
        auto it = ids.find(name);
        return it == ids.end() ? "?" + name : std::to_string(it->second);
    };
    const std::regex header(R"re((\w+) DIALOGEX 0, 0, (\d+), (\d+))re");
    const std::regex caption(R"re(CAPTION "(.*)")re");
    const std::regex font(R"re(FONT (\d+), "(.*)", 400, 0, 0x80)re");
    const std::regex control(R"re((\w+) (?:"((?:[^"\\]|\\.)*)", )?(\w+),(.*))re");
    const std::regex flag(R"(\b(BS_\w+|ES_\w+|SS_\w+|WS_GROUP)\b)");
    std::map<long, std::vector<std::string>> result;
    std::vector<std::string>* current = nullptr;
    std::string head;
    bool inside = false;
    std::istringstream in(ReadSourceFile("src/res/dialogs.rc"));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = line.substr(std::min(line.find_first_not_of(' '), line.size()));
        std::smatch m;
        if (std::regex_match(trimmed, m, header)) {
            current = &result[std::stol(id(m[1]))];
            head = m[2].str() + " " + m[3].str();
        } else if (current && std::regex_match(trimmed, m, caption)) {
            head += "|" + m[1].str();
        } else if (current && std::regex_match(trimmed, m, font)) {
            current->push_back(head + "|" + m[2].str() + " " + m[1].str());
        } else if (trimmed == "BEGIN") {
            inside = current != nullptr;
        } else if (trimmed == "END") {
            inside = false;
            current = nullptr;
        } else if (inside && std::regex_match(trimmed, m, control)) {
            std::string text = m[1].str() + "|" + m[2].str() + "|" + id(m[3]) + "|";
            const std::string tail = m[4].str();
            for (std::sregex_iterator it(tail.begin(), tail.end(), flag), end; it != end; ++it) {
                text += (*it)[1].str() + " ";
            }
            current->push_back(text);
        } else if (inside) {
            current->push_back("unparsed: " + trimmed);
        }
    }
    return result;
}

}  // namespace

TEST(DialogTemplates, CodeSelection) {
    const std::vector<std::string> expected = {
        "147 47|%s文字ｺｰﾄﾞを指定|ＭＳ Ｐゴシック 9",
        "LTEXT|ｺｰﾄﾞ:|-1|",
        "EDITTEXT||1016|ES_UPPERCASE ES_AUTOHSCROLL ",
        "CONTROL|&Unicode|1017|BS_AUTORADIOBUTTON WS_GROUP ",
        "CONTROL|&S-JIS|1018|BS_AUTORADIOBUTTON ",
        "DEFPUSHBUTTON|OK|1|WS_GROUP ",
        "PUSHBUTTON|ｷｬﾝｾﾙ|2|",
    };
    EXPECT_EQ(Templates()[335], expected);
}

TEST(DialogTemplates, SaveConfirmation) {
    const std::vector<std::string> expected = {
        "227 85|外字保存確認|ＭＳ Ｐゴシック 9",
        "CONTROL||1016|SS_ICON ",
        "LTEXT|外字の保存は、Windowsの外字ｴﾃﾞｨﾀをﾌﾟﾛｸﾞﾗﾑから自動操作して保存します。\\r\\n"
        "外字ｴﾃﾞｨﾀ（Eudcedit）を起動している場合は終了してください。\\r\\n"
        "また、自動操作による保存中はＰＣの操作をしないでください。|-1|",
        "AUTOCHECKBOX|次回よりこのﾒｯｾｰｼﾞを表示しない。|1017|",
        "DEFPUSHBUTTON|保存|1|",
        "PUSHBUTTON|ｷｬﾝｾﾙ|2|",
    };
    EXPECT_EQ(Templates()[140], expected);
}

TEST(DialogTemplates, GridSettings) {
    const std::vector<std::string> expected = {
        "147 47|ｸﾞﾘｯﾄﾞの設定|ＭＳ Ｐゴシック 9",
        "LTEXT|X座標:|-1|",
        "EDITTEXT||1011|ES_AUTOHSCROLL ",
        "LTEXT|Y座標:|-1|",
        "EDITTEXT||1017|ES_AUTOHSCROLL ",
        "DEFPUSHBUTTON|OK|1|",
        "PUSHBUTTON|ｷｬﾝｾﾙ|2|",
    };
    EXPECT_EQ(Templates()[338], expected);
}

TEST(DialogTemplates, DialogIconIsResource134) {
    EXPECT_EQ(DialogIds().at("IDI_DIALOG_ICON"), 134);
    EXPECT_NE(ReadSourceFile("src/res/dialogs.rc").find("IDI_DIALOG_ICON ICON \"Kanjiforge.ico\""),
              std::string::npos);
}
