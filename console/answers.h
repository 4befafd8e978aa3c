// The console's answers on standard output, one JSON line each, in the order of the requests.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QTimer>

namespace quelvo::console {

// While more requests wait to be run, answers are gathered and written together: a piped script
// then costs one write and one wake-up of its reader per batch instead of per answer. A gathered
// answer leaves after at most kHoldMs even behind a long request (the timer runs in its nested
// event loop), and at once when no request waits. Writing waits for room also on an output a
// parent left non-blocking.
class Answers {
public:
    static constexpr int kHoldMs = 5;
    static constexpr qsizetype kHoldBytes = qsizetype{64} << 10;  // a pipe's usual capacity

    explicit Answers(int fd);
    ~Answers();
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;

    // Takes the answer; `moreWaiting` says whether another request is already read and waits.
    void add(const QJsonObject& answer, bool moreWaiting);
    void flush();

private:
    int m_fd;
    QByteArray m_held;
    QTimer m_timer;
};

}  // namespace quelvo::console
