// A TCP server on 127.0.0.1 that accepts connections and never says a word: a site that hangs.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace quelvo::test {

class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    // "http://127.0.0.1:PORT/".
    std::string url() const;
    int connections() const { return m_connections; }

private:
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::atomic<int> m_connections{0};
    std::vector<int> m_clients;
    std::thread m_thread;
};

}  // namespace quelvo::test
