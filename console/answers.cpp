#include "console/answers.h"

#include <QByteArray>
#include <QJsonDocument>

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace quelvo::console {

void Answers::add(const QJsonObject& answer) {
    QByteArray line = QJsonDocument(answer).toJson(QJsonDocument::Compact);
    line += '\n';
    const char* data = line.constData();
    qsizetype left = line.size();
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
}

}  // namespace quelvo::console
