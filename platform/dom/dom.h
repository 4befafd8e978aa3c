// Late-bound access to the members of page objects. Members are found by name without regard to
// letter case. Nothing here shows a message or throws: failures give the neutral result.
//
// Calls that return an object, and writes and calls whose outcome is dropped, are queued and ride
// along with the next round trip to the page; everything that returns a plain value waits for it.
#pragma once

#include <string_view>

#include "platform/dom/value.h"

namespace quelvo::dom {

// Read: a method member is called with `args`, any other member is returned (arguments given to a
// plain property make the read fail).
Value get(const Ref& target, std::string_view member, const Args& args = {});
// Write: property put, or a method member called with the value. True when the page accepted it.
bool put(const Ref& target, std::string_view member, const Value& value);
// Call: method with `args`, or else a property read.
Value call(const Ref& target, std::string_view member, const Args& args = {});

// Typed reads: empty text, 0 or an empty reference on failure.
Text getText(const Ref& target, std::string_view member, const Args& args = {});
double getNumber(const Ref& target, std::string_view member, const Args& args = {});

// Pipelined: the returned reference stands for the result before it exists.
Ref getObject(const Ref& target, std::string_view member, const Args& args = {});
Ref callObject(const Ref& target, std::string_view member, const Args& args = {});
// Pipelined effects: queued, outcome dropped.
void putLater(const Ref& target, std::string_view member, const Value& value);
void invokeLater(const Ref& target, std::string_view member, const Args& args = {});

// Sends whatever is queued for the target's page and waits for it.
void flush(const Ref& target);

// How the latest call to the target's page ended; NoAnswer for an empty reference.
Outcome lastOutcome(const Ref& target);

// Round trips made so far, all pages together (for benchmarks and tests).
std::uint64_t roundTrips();

}  // namespace quelvo::dom
