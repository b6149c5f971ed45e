// Ordered call logs compared with expected tables. A table lists the calls a test cares about,
// in order, each once, optionally, or any number of times; the log's other calls (names the table
// does not mention) are left out before the comparison.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

struct Step {
    enum Count { Once, Optional, Any };
    std::string call;
    Count count = Once;
};

inline Step Maybe(std::string call) { return {std::move(call), Step::Optional}; }
inline Step AnyNumber(std::string call) { return {std::move(call), Step::Any}; }

// The log's calls that the table names, in order.
inline std::vector<std::string> CallsNamedIn(const std::vector<std::string>& log,
                                             const std::vector<Step>& table) {
    std::set<std::string> named;
    for (const Step& step : table) named.insert(step.call);
    std::vector<std::string> kept;
    for (const std::string& call : log)
        if (named.count(call)) kept.push_back(call);
    return kept;
}

inline ::testing::AssertionResult MatchesSequence(const std::vector<std::string>& log,
                                                  const std::vector<Step>& table) {
    const std::vector<std::string> calls = CallsNamedIn(log, table);
    // matched[i][j]: the first i steps can account for the first j calls.
    std::vector<std::vector<bool>> matched(table.size() + 1, std::vector<bool>(calls.size() + 1, false));
    matched[0][0] = true;
    for (std::size_t i = 1; i <= table.size(); ++i) {
        const Step& step = table[i - 1];
        for (std::size_t j = 0; j <= calls.size(); ++j) {
            const bool fits = j > 0 && calls[j - 1] == step.call;
            switch (step.count) {
                case Step::Once:
                    matched[i][j] = fits && matched[i - 1][j - 1];
                    break;
                case Step::Optional:
                    matched[i][j] = matched[i - 1][j] || (fits && matched[i - 1][j - 1]);
                    break;
                case Step::Any:
                    matched[i][j] =
                        matched[i - 1][j] || (fits && (matched[i][j - 1] || matched[i - 1][j - 1]));
                    break;
            }
        }
    }
    if (matched[table.size()][calls.size()]) return ::testing::AssertionSuccess();
    std::ostringstream text;
    text << "calls:";
    for (const std::string& call : calls) text << "\n  " << call;
    text << "\nexpected:";
    for (const Step& step : table)
        text << "\n  " << step.call
             << (step.count == Step::Optional ? " (optional)"
                 : step.count == Step::Any    ? " (any number)"
                                              : "");
    return ::testing::AssertionFailure() << text.str();
}
