#include "console/answers.h"

#include <QByteArray>
#include <QJsonDocument>

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace quelvo::console {

Answers::Answers(int fd) : m_fd(fd) {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { flush(); });
}

Answers::~Answers() {
    flush();
}

void Answers::add(const QJsonObject& answer, bool moreWaiting) {
    m_held += QJsonDocument(answer).toJson(QJsonDocument::Compact);
    m_held += '\n';
    if (!moreWaiting || m_held.size() >= kHoldBytes)
        flush();
    else if (!m_timer.isActive())
        m_timer.start(kHoldMs);
}

void Answers::flush() {
    m_timer.stop();
    const char* data = m_held.constData();
    qsizetype left = m_held.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, static_cast<std::size_t>(left));
        if (n > 0) {
            data += n;
            left -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // Output a parent left non-blocking: wait until the reader makes room, not drop answers.
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd out{m_fd, POLLOUT, 0};
            if (::poll(&out, 1, -1) >= 0 || errno == EINTR)
                continue;
        }
        break;  // the reader is gone
    }
    m_held.clear();
}

}  // namespace quelvo::console
