// Duplicate cleanup and size ordering of a 20,000-item update list: client and
// patch lines for overlapping names, many sizes repeated.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "update/list_prep.h"

int main() {
    using namespace kestrow::update;
    constexpr int kItems = 20000;
    std::mt19937 rng(4);
    TextList list;
    list.reserve(kItems);
    for (int i = 0; i < kItems; ++i) {
        // About a tenth of the names repeat, in other letter case and slashes.
        const int id = (i % 10 == 9) ? static_cast<int>(rng() % static_cast<unsigned>(i)) : i;
        std::string name = (i % 2 ? "System\\Текстуры\\file_" : "SYSTEM/ТЕКСТУРЫ/FILE_") +
                           std::to_string(id) + ".utx";
        const std::string size = std::to_string(rng() % 5000 * 1024);
        list.push_back(UpdateItem(name, i < kItems / 2 ? "1" : "2", size));
    }
    const auto start = std::chrono::steady_clock::now();
    RemoveDuplicateItems(list);
    SortBySizeDesc(list);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::printf("listprep: items=%d ms=%lld\n", kItems, static_cast<long long>(ms));
    return 0;
}
