// The site's HTTP server: httplib's request handling behind our own connection loop, which reads
// and checks every request head before httplib sees it, bounds the time of a whole request, caps
// the makes in progress and ends every wait at once when the site stops.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace quelvo::skinsite {

struct Refusal;

struct ServerLimits {
    // From the moment a request may begin until its head and body are read.
    std::chrono::milliseconds requestTime{10000};
    // Makes read or made at once; one more gets the busy page.
    int maxMakes = 4;
    // Largest request head.
    std::size_t maxHeadBytes = 16 * 1024;
};

class GuardedServer : public httplib::Server {
public:
    // `errorPage` gives the HTML page of an error status with a short reason.
    GuardedServer(ServerLimits limits,
                  std::function<std::string(int status, std::string_view why)> errorPage);
    ~GuardedServer() override;

    // The port the socket is bound to; heads must name it.
    void setPort(int port) { m_port = port; }
    // Stops accepting and ends every connection's wait at once.
    void halt();
    // Called from a handler: the connection ends after this answer (its body may be unread).
    static void closeAfterAnswer();

private:
    bool process_and_close_socket(socket_t sock) override;

    ServerLimits m_limits;
    std::function<std::string(int, std::string_view)> m_errorPage;
    int m_port = 0;
    int m_stopFd = -1;
    std::atomic<bool> m_halted{false};
    std::atomic<int> m_makes{0};
};

}  // namespace quelvo::skinsite
