// Counting and walking document collections by the callers' positions, which count from 1.
#pragma once

#include <vector>

#include "common/text.h"
#include "platform/dom/value.h"

namespace quelvo {

// The collection's `length`, truncated toward zero; 0 when it cannot be read.
int countOf(const dom::Ref& collection);

// `item` (position − 1), pipelined: no round trip until the element is used.
dom::Ref itemAt(const dom::Ref& collection, int position);

// How a keyed walk compares the member it reads with the key.
enum class KeyMatch { Exact, AsciiCaseless };

// Mode 0: the first item whose `name` equals the key; 1: the same with `id`; 2: the item at the
// position the key reads as; any other mode: nothing. The count is read once, before the walk.
dom::Ref findInCollection(const dom::Ref& collection, const Text& key, int mode, KeyMatch match);

// The text of each of `members` for every item of the collection, in one round trip: row-major,
// one row per item. A failed read gives empty text, as `dom::getText` would.
std::vector<Text> readEach(const dom::Ref& collection, const std::vector<const char*>& members);

}  // namespace quelvo
