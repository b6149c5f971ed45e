// Two dialogs or two strings of one program under the same number build without a word from the
// resource compiler, and the program then loads whichever comes first: the numbers of each kind
// must be unique in the headers a program's resources are built from.
#include <gtest/gtest.h>

#include "test_support.h"

#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// For each number of the given kind (IDD_, IDS_), the names defined to it in these headers.
std::map<long, std::vector<std::string>> NumbersOfKind(const std::vector<std::string>& headers,
                                                      const std::string& prefix) {
    std::map<long, std::vector<std::string>> numbers;
    const std::regex define("^#define\\s+(" + prefix + "\\w+)\\s+(\\d+)\\s*$");
    for (const std::string& header : headers) {
        std::istringstream in(ReadSourceFile(header));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::smatch m;
            if (std::regex_match(line, m, define)) numbers[std::stol(m[2])].push_back(m[1]);
        }
    }
    return numbers;
}

TEST(ResourceIds, DialogsAndStringsOfEachProgramHaveNumbersOfTheirOwn) {
    const std::vector<std::string> editor = {"src/res/resource.h", "src/res/dialog_ids.h"};
    std::vector<std::string> viewer = editor;
    viewer.push_back("src/res/viewer_resource.h");
    for (const auto& headers : {editor, viewer}) {
        for (const std::string prefix : {"IDD_", "IDS_"}) {
            const auto numbers = NumbersOfKind(headers, prefix);
            EXPECT_GT(numbers.size(), 3u) << prefix << " in " << headers.back() << ": the headers were not read";
            for (const auto& [number, names] : numbers) {
                std::string list;
                for (const std::string& name : names) list += " " + name;
                EXPECT_EQ(names.size(), 1u) << number << " is given to" << list;
            }
        }
    }
}

}  // namespace
