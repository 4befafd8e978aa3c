// Counting and walking document collections by the callers' positions, which count from 1.
#pragma once

#include <functional>
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

// The text of each of `members` for every item of the collection, row-major, one row per item,
// a chunk of items a round trip. A failed read gives empty text, as `dom::getText` would.
std::vector<Text> readEach(const dom::Ref& collection, const std::vector<const char*>& members);

// Walks the items in document order and stops at the first whose row of member texts (as
// `dom::getText` reads them) `accept` takes; its position, or 0 when none is taken. The count is
// read once with the first chunk; each chunk of items costs one round trip.
int findFirst(const dom::Ref& collection, const std::vector<const char*>& members,
              const std::function<bool(const Text* row)>& accept);

}  // namespace quelvo
