#pragma once
// Preparation of the update list before the downloads: duplicate names merged
// (a patch line wins over a client line) and largest expected size first.

#include <cstdint>

#include "update/item_fields.h"

namespace kestrow::update {

// Keeps the first line of every name key in its place; it takes the text of
// the first later patch line when it is itself a client line. Every later line
// of the name goes. Lines with an empty key are never merged. Returns the
// number of lines removed.
std::int32_t RemoveDuplicateItems(TextList& list);

// The exchange sort "for i, for j > i: swap when size(i) < size(j)", whose
// order among equal sizes callers see; sizes are read once per line.
void SortBySizeDesc(TextList& list);

}  // namespace kestrow::update
