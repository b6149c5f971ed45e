// The manual's troubleshooting page lists every message the programs show, each with what to do.
// This keeps it true: every error and question of the string tables, and every message text written
// in the code, must appear there line by line (a %s or %d of the program may stand for any text).
#include <gtest/gtest.h>

#include "test_support.h"

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Message {
    std::string where;
    std::string text;  // as written in the source, escapes resolved
};

// A C string literal's body with its escapes resolved (the ones message texts use).
std::string Unescape(const std::string& body) {
    std::string text;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\\' || i + 1 == body.size()) {
            text += body[i];
            continue;
        }
        const char next = body[++i];
        text += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
    return text;
}

// Errors (IDS_ERR_) and questions (IDS_ASK_) of a resource script's string tables.
std::vector<Message> StringTableMessages(const std::string& script) {
    std::vector<Message> messages;
    const std::regex entry(R"re(^\s*(IDS_(?:ERR|ASK)_\w+)\s+"((?:[^"\\]|\\.)*)"\s*$)re");
    std::istringstream in(ReadSourceFile(script));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::smatch m;
        if (std::regex_match(line, m, entry)) messages.push_back({script + " " + m[1].str(), Unescape(m[2])});
    }
    return messages;
}

// Wide literals of the code that are sentences (they hold a Japanese full stop), adjacent literals
// joined, except what only goes to the diagnostic log.
std::vector<Message> CodeMessages() {
    std::vector<Message> messages;
    const std::string fullStop = "\xE3\x80\x82";  // 。
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(KF_SOURCE_DIR) + "/src")) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".cpp" && extension != ".h") continue;
        const std::string relative = std::filesystem::relative(entry.path(), KF_SOURCE_DIR).generic_string();
        const std::string source = ReadSourceFile(relative);
        std::size_t at = 0;
        while ((at = source.find("L\"", at)) != std::string::npos) {
            const std::size_t lineStart = source.rfind('\n', at) + 1;
            const std::string before = source.substr(lineStart, at - lineStart);
            std::string body;
            std::size_t end = at;
            // L"..." L"..." ... across blanks and line breaks.
            while (end < source.size() && source.compare(end, 2, "L\"") == 0) {
                std::size_t close = end + 2;
                while (close < source.size() && source[close] != '"') close += source[close] == '\\' ? 2 : 1;
                body += source.substr(end + 2, close - end - 2);
                end = source.find_first_not_of(" \t\r\n", close + 1);
                if (end == std::string::npos) break;
            }
            at = end == std::string::npos ? source.size() : end;
            const bool comment = before.find("//") != std::string::npos;
            const bool logOnly = before.find("g_log.Write") != std::string::npos;
            if (comment || logOnly || body.find(fullStop) == std::string::npos) continue;
            messages.push_back({relative, Unescape(body)});
        }
    }
    return messages;
}

// A line of a message as a pattern: the printf conversions and %1, %2 stand for any text, %% for a %.
std::regex LinePattern(const std::string& line) {
    static const std::regex conversion(R"(%(?:[-+ 0#]*[0-9]*(?:\.[0-9]+)?(?:ls|s|d|X|x|i|u)|[0-9]|%))");
    std::string pattern;
    std::size_t last = 0;
    for (auto it = std::sregex_iterator(line.begin(), line.end(), conversion); it != std::sregex_iterator();
         ++it) {
        for (std::size_t i = last; i < static_cast<std::size_t>(it->position()); ++i) {
            if (std::string("\\^$.|?*+()[]{}").find(line[i]) != std::string::npos) pattern += '\\';
            pattern += line[i];
        }
        pattern += it->str() == "%%" ? "%" : ".+";
        last = static_cast<std::size_t>(it->position() + it->length());
    }
    for (std::size_t i = last; i < line.size(); ++i) {
        if (std::string("\\^$.|?*+()[]{}").find(line[i]) != std::string::npos) pattern += '\\';
        pattern += line[i];
    }
    return std::regex(pattern);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text + "\n") {
        if (c == '\r' || c == '\n') {
            const std::size_t begin = line.find_first_not_of(' ');
            if (begin != std::string::npos)
                lines.push_back(line.substr(begin, line.find_last_not_of(' ') - begin + 1));
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

TEST(ManualMessages, TroubleshootingShowsEveryMessageOfThePrograms) {
    std::vector<Message> messages = StringTableMessages("src/res/Kanjiforge.rc");
    const std::vector<Message> viewer = StringTableMessages("src/res/Kanjiviewer.rc");
    messages.insert(messages.end(), viewer.begin(), viewer.end());
    const std::size_t fromTables = messages.size();
    const std::vector<Message> code = CodeMessages();
    messages.insert(messages.end(), code.begin(), code.end());
    // The scan must see the catalogue and the texts written in code, or it checks nothing.
    ASSERT_GE(fromTables, 20u);
    ASSERT_GE(code.size(), 8u);

    const std::vector<std::string> manual = Lines(ReadSourceFile("docs/manual/troubleshooting.md"));
    ASSERT_FALSE(manual.empty());
    for (const Message& message : messages) {
        for (const std::string& line : Lines(message.text)) {
            const std::regex pattern = LinePattern(line);
            bool found = false;
            for (const std::string& shown : manual) found = found || std::regex_match(shown, pattern);
            EXPECT_TRUE(found) << message.where << ": the line \"" << line
                               << "\" is not in docs/manual/troubleshooting.md";
        }
    }
}

TEST(ManualMessages, LinePatternsLetPlaceholdersStandForText) {
    EXPECT_TRUE(std::regex_match(std::string("ｺｰﾄﾞ'E000'は他"), LinePattern("ｺｰﾄﾞ'%s'は他")));
    EXPECT_TRUE(std::regex_match(std::string("Size=[64,48] (x)"), LinePattern("Size=[%d,%d] (x)")));
    EXPECT_TRUE(std::regex_match(std::string("0 から 63 まで"), LinePattern("%1 から %2 まで")));
    EXPECT_FALSE(std::regex_match(std::string("Size=[64,48"), LinePattern("Size=[%d,%d]")));
    EXPECT_TRUE(std::regex_match(std::string("一致率93%）"), LinePattern("一致率%d%%）")));
    EXPECT_FALSE(std::regex_match(std::string("一致率93x）"), LinePattern("一致率%d%%）")));
    EXPECT_FALSE(std::regex_match(std::string("ｺｰﾄﾞ''は他"), LinePattern("ｺｰﾄﾞ'%s'は他")));
}

}  // namespace
