// Fetch of a whole web resource into bytes: one GET on a libcurl handle kept for the program.
#pragma once

#include <cstddef>
#include <stop_token>
#include <string>

#include "common/text.h"

namespace quelvo::http {

// Bounds that keep a dead or hostile server from freezing or exhausting the program.
struct FetchOptions {
    long connectTimeoutMs = 30000;
    // The transfer is given up when less than one byte a second arrives for this long; curl counts
    // whole seconds, so this is rounded up to the next second.
    long stallTimeoutMs = 30000;
    // The whole fetch, connect to last byte, ends by this time, however steadily bytes trickle in.
    long totalTimeoutMs = 120000;
    // A longer body gives empty bytes: a cut-off picture is of no use to anyone.
    std::size_t maxBodyBytes = std::size_t{32} << 20;
};

// GETs `address` (http or https, redirects followed, no proxy, no cache) and returns the body
// whatever the status code. Empty bytes when the address is empty or cannot be parsed, when
// connecting or sending fails, or when the body is over the cap; the bytes read so far when the
// transfer breaks off part-way (a stall, the total time-out). Blocks the calling thread until
// it ends; a stop requested through `stop` ends it within about a second, with empty bytes.
std::string fetch(const Text& address, const FetchOptions& options = {}, std::stop_token stop = {});

// The address as curl gets it: UTF-8, and after the host every byte a URL cannot hold (spaces,
// controls, non-ASCII, a '%' that starts no escape) percent-encoded.
std::string urlFromAddress(const Text& address);

}  // namespace quelvo::http
