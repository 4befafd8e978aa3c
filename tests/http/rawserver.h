// A raw TCP server on 127.0.0.1 that records request heads and answers with scripted bytes.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quelvo::test {

struct RawReply {
    std::string bytes;      // written as they stand
    int delayMs = 0;        // waited before writing
    bool holdOpen = false;  // afterwards the connection stays open until the client gives up
    std::string rest;       // written `restDelayMs` after `bytes`, so that it arrives apart
    int restDelayMs = 200;
    int trickleMs = 0;  // when set, `rest` goes one byte at a time, this long apart
};

class RawServer {
public:
    using Answer = std::function<RawReply(const std::string& requestHead)>;
    explicit RawServer(Answer answer);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int port() const { return m_port; }
    std::string url(const std::string& path) const;
    // The request heads received so far, request line and headers up to the empty line.
    std::vector<std::string> requests() const;
    // Connections accepted so far, whether or not a request came on them.
    int connections() const;

private:
    void run();
    void serve(int client);
    bool waitReadable(int fd, int timeoutMs) const;

    Answer m_answer;
    int m_listen = -1;
    int m_stop[2] = {-1, -1};
    int m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    int m_connections = 0;
};

// "HTTP/1.0 <status>" with Content-Type, an optional Content-Length, `extraHeaders` (each ending
// in CRLF) and the body.
std::string httpResponse(int status, const std::string& body, bool withLength = true,
                         const std::string& extraHeaders = {});

}  // namespace quelvo::test
