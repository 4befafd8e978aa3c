// The timed wait: lets time pass while every window keeps handling its events.
#pragma once

namespace quelvo::widgets {

// Returns once more than `milliseconds` have passed (scaled, see below), handling events
// meanwhile without spinning: the thread sleeps until an event or the deadline. Waits nest: a
// wait started from an event handler inside another ends first, and the outer one ends no earlier
// than its own deadline. Zero or less only handles the events already pending. A wait also ends
// when the application quits.
void timedWait(int milliseconds);

// Factor applied to every timed wait; 1 (the program's real durations) unless a test shortens
// long waits. Values below 0 count as 0.
void setTimedWaitScale(double scale);
double timedWaitScale();

}  // namespace quelvo::widgets
