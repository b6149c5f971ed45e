#include "finder/finder_search.h"

#include <algorithm>
#include <array>
#include <set>
#include <utility>

void FinderCatalog::AddFont(std::string name, FontIndex&& index) {
    const auto font = static_cast<std::uint32_t>(m_fontNames.size());
    m_fontNames.push_back(std::move(name));
    m_codes.reserve(m_codes.size() + index.entries.size());
    m_features.reserve(m_features.size() + index.entries.size() * kFeatureBytes);
    for (std::size_t i = 0; i < index.entries.size(); ++i) {
        m_codes.push_back({index.entries[i].code, index.entries[i].selector, font});
        m_features.insert(m_features.end(), index.features[i].begin(), index.features[i].end());
        m_norms.push_back(FeatureNorm(index.features[i]));
    }
    index = FontIndex{};
}

void FinderCatalog::Clear() {
    m_fontNames.clear();
    m_codes.clear();
    m_features.clear();
    m_norms.clear();
    m_codes.shrink_to_fit();
    m_features.shrink_to_fit();
    m_norms.shrink_to_fit();
}

std::size_t FinderCatalog::MemoryBytes() const {
    std::size_t bytes =
        m_codes.capacity() * sizeof(Code) + m_features.capacity() + m_norms.capacity() * sizeof(float);
    for (const std::string& name : m_fontNames) bytes += name.capacity();
    return bytes;
}

std::vector<FinderMatch> FinderCatalog::Search(std::span<const std::uint8_t> dots, int size,
                                               std::size_t count) const {
    GlyphFeatures query;
    if (!ComputeGlyphFeatures(dots, size, query)) return {};
    return Search(query, count);
}

std::vector<FinderMatch> FinderCatalog::Search(const GlyphFeatures& query, std::size_t count) const {
    const float queryNorm = FeatureNorm(query);
    if (queryNorm <= 0 || count == 0 || m_codes.empty()) return {};
    // A character is in each font at most once, so this many of the best always hold `count` characters.
    const std::size_t keep = std::min(m_codes.size(), count * std::max<std::size_t>(1, m_fontNames.size()));
    // The query widened once, so that the pass over the block is a plain multiply-add the compiler
    // vectorises.
    std::array<std::int16_t, kFeatureBytes> wide;
    for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<std::int16_t>(query[i]);
    using Scored = std::pair<float, std::uint32_t>;
    auto better = [](const Scored& a, const Scored& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    };
    std::vector<Scored> best;  // the best so far, best first
    best.reserve(keep + 1);
    const std::uint8_t* features = m_features.data();
    for (std::size_t i = 0; i < m_codes.size(); ++i) {
        const std::uint8_t* candidate = features + i * kFeatureBytes;
        std::int32_t dot = 0;
        for (int k = 0; k < kFeatureBytes; ++k)
            dot += wide[static_cast<std::size_t>(k)] * static_cast<std::int16_t>(candidate[k]);
        const float norm = m_norms[i];
        const Scored scored{norm > 0 ? static_cast<float>(dot) / (queryNorm * norm) : 0.0f,
                            static_cast<std::uint32_t>(i)};
        if (best.size() == keep && !better(scored, best.back())) continue;
        best.insert(std::upper_bound(best.begin(), best.end(), scored, better), scored);
        if (best.size() > keep) best.pop_back();
    }
    std::vector<FinderMatch> matches;
    std::set<std::pair<std::uint32_t, std::uint32_t>> listed;
    for (const Scored& scored : best) {
        if (matches.size() == count) break;
        const Code& code = m_codes[scored.second];
        if (!listed.insert({code.code, code.selector}).second) continue;
        matches.push_back({code.code, code.selector, static_cast<int>(code.font), scored.first});
    }
    return matches;
}
