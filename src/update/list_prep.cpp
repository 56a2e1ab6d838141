#include "update/list_prep.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kestrow::update {

// One pass with a map from key to kept position gives what the pairwise
// algorithm gives: a kept line only ever meets later lines of its own key, in
// list order, and once it holds a patch line nothing replaces it again.
std::int32_t RemoveDuplicateItems(TextList& list) {
    std::unordered_map<std::string, std::size_t> kept_at;
    kept_at.reserve(list.size());
    std::vector<bool> is_client;  // kind "1", per kept line
    is_client.reserve(list.size());
    std::size_t out = 0;
    std::int32_t removed = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::string key = ItemNameKey(list[i]);
        const bool client = ItemKind(list[i]) == "1";
        if (!key.empty()) {
            const auto found = kept_at.find(key);
            if (found != kept_at.end()) {
                const std::size_t k = found->second;
                if (is_client[k] && !client) {
                    list[k] = std::move(list[i]);
                    is_client[k] = false;
                }
                ++removed;
                continue;
            }
            kept_at.emplace(std::move(key), out);
        }
        if (out != i) {
            list[out] = std::move(list[i]);
        }
        is_client.push_back(client);
        ++out;
    }
    list.resize(out);
    return removed;
}

namespace {

// One exchange step of a pass: when v's rank is larger than top's, they swap.
inline void ExchangeStep(std::uint64_t& top, std::uint64_t& v) {
    const std::uint64_t mask = 0 - static_cast<std::uint64_t>(v > (top | 0xFFFFFFFFu));
    const std::uint64_t diff = (v ^ top) & mask;
    v ^= diff;
    top ^= diff;
}

// Passes i .. i+K-1 run together in one sweep: pass q handles position j right
// after pass q-1 did, exactly as in sequence, while the K running maxima give
// the processor independent work.
template <int K>
void SortPacked(std::uint64_t* a, std::size_t n) {
    std::size_t i = 0;
    for (; i + K + 1 <= n; i += K) {
        std::uint64_t top[K];
        top[0] = a[i];
        for (int p = 1; p < K; ++p) {
            std::uint64_t v = a[i + p];
            for (int q = 0; q < p; ++q) {
                ExchangeStep(top[q], v);
            }
            top[p] = v;
        }
        for (std::size_t j = i + K; j < n; ++j) {
            std::uint64_t v = a[j];
            for (int q = 0; q < K; ++q) {
                ExchangeStep(top[q], v);
            }
            a[j] = v;
        }
        for (int q = 0; q < K; ++q) {
            a[i + q] = top[q];
        }
    }
    for (; i + 1 < n; ++i) {
        std::uint64_t top = a[i];
        for (std::size_t j = i + 1; j < n; ++j) {
            ExchangeStep(top, a[j]);
        }
        a[i] = top;
    }
}

}  // namespace

void SortBySizeDesc(TextList& list) {
    const std::size_t n = list.size();
    if (n < 2) {
        return;
    }
    // Sizes become ranks (same order, same ties), so that a size and its line
    // position fit one 64-bit word.
    std::vector<std::int64_t> parsed(n);
    for (std::size_t i = 0; i < n; ++i) {
        parsed[i] = ItemExpectedSize(list[i]);
    }
    std::vector<std::int64_t> distinct = parsed;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::vector<std::uint32_t> rank(n);
    for (std::size_t i = 0; i < n; ++i) {
        rank[i] = static_cast<std::uint32_t>(
            std::lower_bound(distinct.begin(), distinct.end(), parsed[i]) - distinct.begin());
    }
    // The same exchanges over packed values: rank in the high half, line
    // position in the low half. "rank(j) > rank(top)" is "v > (top | low
    // half all ones)", and the swap is done with masks so that the
    // unpredictable comparisons cost no branches.
    std::vector<std::uint64_t> packed(n);
    for (std::size_t i = 0; i < n; ++i) {
        packed[i] = (static_cast<std::uint64_t>(rank[i]) << 32) | i;
    }
    SortPacked<8>(packed.data(), n);
    TextList sorted;
    sorted.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        sorted.push_back(std::move(list[packed[i] & 0xFFFFFFFFu]));
    }
    list = std::move(sorted);
}

}  // namespace kestrow::update
