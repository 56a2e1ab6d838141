#pragma once
// A deterministic game-client-like tree: about 300 MiB in 2,000 files, mostly
// small, ten of 5-60 MiB; text, binary records and incompressible data.

#include <cstdint>
#include <string>

namespace kestrow::bench {

struct SyntheticSummary {
    std::uint32_t files = 0;
    std::uint64_t bytes = 0;
};

// Writes the tree below root (created). Throws std::runtime_error.
SyntheticSummary WriteSyntheticClient(const std::string& root);

}  // namespace kestrow::bench
