// quelvo-console as a script drives it: one JSON request per line, one answer per line.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/loopbackserver.h"

extern char** environ;

namespace quelvo {
namespace {

std::vector<QJsonObject> runConsole(const std::vector<std::string>& lines,
                                    QByteArray* errors = nullptr) {
    QProcess console;
    console.start(QUELVO_CONSOLE, {});
    EXPECT_TRUE(console.waitForStarted(10000));
    for (const std::string& line : lines)
        console.write(QByteArray::fromStdString(line + "\n"));
    console.closeWriteChannel();
    EXPECT_TRUE(console.waitForFinished(60000));
    EXPECT_EQ(console.exitCode(), 0);
    if (errors)
        *errors = console.readAllStandardError();
    std::vector<QJsonObject> answers;
    for (const QByteArray& line : console.readAllStandardOutput().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        QJsonDocument doc = QJsonDocument::fromJson(line);
        EXPECT_TRUE(doc.isObject()) << line.toStdString();
        answers.push_back(doc.object());
    }
    return answers;
}

TEST(Console, ScriptedSessionAndBadLines) {
    test::LoopbackServer server(test::fixturesDir("webpage"));
    const std::string url = server.url("/make.html");
    std::vector<QJsonObject> a = runConsole({
        R"({"id": 1, "op": "load", "args": [")" + url + R"("]})",
        R"({"id": 2, "op": "Bind", "args": [null, null]})",
        R"({"id": 3, "op": "browserWindow"})",
        "this is not json",
        R"({"id": 5, "op": "NoSuchOperation"})",
        R"({"id": 6, "op": "SetFieldValue", "args": ["qq", "zero", "x"]})",
        R"({"id": 7, "op": "GetFieldValue", "args": ["qq"]})",
    });
    ASSERT_EQ(a.size(), 7u);
    EXPECT_EQ(a[0]["result"], true);
    EXPECT_EQ(a[1]["result"], false);  // neither document nor window given
    ASSERT_TRUE(a[2]["result"].isDouble());
    EXPECT_TRUE(a[3]["id"].isNull());
    EXPECT_TRUE(a[3]["error"].toString().startsWith("malformed JSON"));
    EXPECT_EQ(a[4]["id"], 5);
    EXPECT_TRUE(a[4]["error"].toString().contains("NoSuchOperation"));
    EXPECT_TRUE(a[5]["error"].toString().contains("argument 2"));
    EXPECT_TRUE(a[6]["error"].toString().contains("argument 2 is missing"));

    const qint64 window = a[2]["result"].toInteger();
    a = runConsole({
        R"({"id": 1, "op": "load", "args": [")" + url + R"("]})",
        R"({"id": 2, "op": "Bind", "args": [null, )" + std::to_string(window) + "]}",
        R"({"id": 3, "op": "SetFieldValue", "args": ["qq", 0, "12345"]})",
        R"({"id": 4, "op": "SetFieldValue", "args": ["usernick", 0, "小明 😀"]})",
        R"({"id": 5, "op": "GetFieldValue", "args": ["usernick", 0]})",
        R"({"id": 6, "op": "ClickButton", "args": ["btnmake", 1]})",
        R"({"id": 7, "op": "GetPageText", "args": ["title"]})",
        R"({"id": 8, "op": "GetElement", "args": ["qq", 0]})",
        R"({"id": 9, "op": "release", "args": [{"ref": "r1"}]})",
        R"({"id": 10, "op": "release", "args": [{"ref": "r1"}]})",
        R"({"id": 11, "op": "GetElement", "args": ["missing", 0]})",
        R"({"id": 12, "op": "quit"})",
        R"({"id": 13, "op": "GetPageText", "args": ["title"]})",
    });
    ASSERT_EQ(a.size(), 12u);  // nothing after quit
    EXPECT_EQ(a[1]["result"], true);
    EXPECT_EQ(a[2]["result"], true);
    EXPECT_EQ(a[4]["result"], QString::fromUtf8("小明 😀"));
    EXPECT_EQ(a[5]["result"], true);
    EXPECT_EQ(a[6]["result"], QString::fromUtf8("made:12345|小明 😀||||||||||"));
    EXPECT_EQ(a[7]["result"].toObject()["ref"], "r1");
    EXPECT_EQ(a[8]["result"], true);
    EXPECT_EQ(a[9]["result"], false);
    EXPECT_TRUE(a[10]["result"].isNull());
}

// The next answer line of a running console, parsed; an empty object when none came in time.
QJsonObject nextAnswer(QProcess& console, int timeoutMs = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (!console.canReadLine()) {
        const int left = timeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || !console.waitForReadyRead(left))
            return {};
    }
    return QJsonDocument::fromJson(console.readLine()).object();
}

// Answers gathered while more requests wait still leave in bounded time: the first is not held
// behind a long request queued after it, and the last comes while the input stays open.
TEST(Console, GatheredAnswersLeaveWithoutWaitingForLaterRequests) {
    QProcess console;
    console.start(QUELVO_CONSOLE, {});
    ASSERT_TRUE(console.waitForStarted(10000));
    console.write(R"({"id": 1, "op": "browserWindow"})"
                  "\n");
    ASSERT_EQ(nextAnswer(console)["id"], 1);  // the console is up

    QElapsedTimer clock;
    clock.start();
    console.write(R"({"id": 2, "op": "browserWindow"})"
                  "\n"
                  R"({"id": 3, "op": "wait", "args": [3000]})"
                  "\n"
                  R"({"id": 4, "op": "browserWindow"})"
                  "\n");
    EXPECT_EQ(nextAnswer(console)["id"], 2);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(nextAnswer(console)["id"], 3);
    EXPECT_GE(clock.elapsed(), 3000);
    EXPECT_EQ(nextAnswer(console)["id"], 4);

    console.write(R"({"id": 5, "op": "quit"})"
                  "\n");
    EXPECT_EQ(nextAnswer(console)["id"], 5);
    console.closeWriteChannel();
    EXPECT_TRUE(console.waitForFinished(60000));
    EXPECT_EQ(console.exitCode(), 0);
}

// A parent may hand the console a non-blocking output pipe. Answers that do not fit while the
// reader is slow must wait for room, not be dropped.
TEST(Console, NonBlockingOutputLosesNoAnswer) {
    int in[2];
    int out[2];
    ASSERT_EQ(::pipe(in), 0);
    ASSERT_EQ(::pipe(out), 0);
    ASSERT_EQ(::fcntl(out[1], F_SETFL, ::fcntl(out[1], F_GETFL) | O_NONBLOCK), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    for (int fd : {in[0], in[1], out[0], out[1]})
        posix_spawn_file_actions_addclose(&actions, fd);
    char* argv[] = {const_cast<char*>(QUELVO_CONSOLE), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, QUELVO_CONSOLE, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ASSERT_EQ(spawned, 0);

    // About 50 KB of requests (less than the input pipe holds) ask for about 100 KB of answers
    // (more than the output pipe holds).
    const int count = 2000;
    std::string requests;
    for (int i = 1; i <= count; ++i)
        requests += R"({"id":)" + std::to_string(i) + R"(,"op":"NoSuch"})" + "\n";
    ASSERT_EQ(::write(in[1], requests.data(), requests.size()),
              static_cast<ssize_t>(requests.size()));
    ::close(in[1]);

    // Nothing is read until the output pipe is nearly full or the console is gone.
    int status = 0;
    bool exited = false;
    QElapsedTimer clock;
    clock.start();
    for (int queued = 0; !exited && queued < 60000 && clock.elapsed() < 60000;) {
        QThread::msleep(20);
        ASSERT_EQ(::ioctl(out[0], FIONREAD, &queued), 0);
        exited = ::waitpid(pid, &status, WNOHANG) == pid;
    }
    QByteArray output;
    char buffer[65536];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, n);
    ::close(out[0]);
    if (!exited) {
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const QList<QByteArray> lines = output.trimmed().split('\n');
    ASSERT_EQ(lines.size(), count);
    for (int i = 0; i < count; ++i) {
        const QJsonObject answer = QJsonDocument::fromJson(lines[i]).object();
        ASSERT_EQ(answer["id"], i + 1) << lines[i].toStdString();
        ASSERT_TRUE(answer["error"].toString().contains("NoSuch"));
    }
}

// Input the reader must survive: one line over the 16 MiB cap gets an error and the next line is
// answered; many lines queued behind a request that runs a while are all answered, in order, in
// bounded time (splitting that moves the queue up for every line takes hours on them).
TEST(Console, HugeLineAndManyQueuedLines) {
    std::vector<std::string> lines;
    lines.push_back(R"({"id": 1, "op": "wait", "args": [3000]})");
    lines.push_back(R"({"id": 2, "op": "wait", "args": [0], "pad": ")" +
                    std::string(std::size_t{20} << 20, 'x') + R"("})");
    lines.push_back(R"({"id": 3, "op": "wait", "args": [0]})");
    const int queued = 300000;
    for (int i = 0; i < queued; ++i)
        lines.push_back(R"({"id": )" + std::to_string(4 + i) + R"(, "op": "NoSuch"})");
    const std::vector<QJsonObject> a = runConsole(lines);
    ASSERT_EQ(a.size(), static_cast<std::size_t>(3 + queued));
    EXPECT_EQ(a[0]["result"], true);
    EXPECT_TRUE(a[1]["id"].isNull());
    EXPECT_TRUE(a[1]["error"].toString().contains("16 MiB"));
    EXPECT_EQ(a[2]["id"], 3);
    EXPECT_EQ(a[2]["result"], true);
    EXPECT_EQ(a[3]["id"], 4);
    EXPECT_EQ(a.back()["id"], 3 + queued);
    EXPECT_TRUE(a.back()["error"].toString().contains("NoSuch"));
}

// A page that answers every call with another alert: the console answers them, stops telling of
// them once the storm is plain, and every call still ends within its time-out.
TEST(Console, DialogStormDoesNotStallTheConsole) {
    test::LoopbackServer server;
    server.route("/storm.html",
                 test::Response{200, "text/html; charset=utf-8",
                                "<title>storm</title><button name=\"btnmake\" "
                                "onclick=\"for (;;) alert('again')\">make</button>"});
    QElapsedTimer clock;
    clock.start();
    QByteArray errors;
    const std::string load =
        R"({"id": 1, "op": "load", "args": [")" + server.url("/storm.html") + R"("]})";
    std::vector<QJsonObject> a =
        runConsole({load, R"({"id": 2, "op": "Bind", "args": [null, null]})",
                    R"({"id": 3, "op": "browserWindow"})", R"({"id": 4, "op": "quit"})"});
    ASSERT_EQ(a.size(), 4u);
    const std::string window = std::to_string(a[2]["result"].toInteger());
    a = runConsole(
        {load, R"({"id": 2, "op": "Bind", "args": [null, )" + window + "]}",
         R"({"id": 3, "op": "ClickButton", "args": ["btnmake", 1]})",
         R"({"id": 4, "op": "GetPageText", "args": ["title"]})", R"({"id": 5, "op": "quit"})"},
        &errors);
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[1]["result"], true);
    EXPECT_EQ(a[3]["result"], "");  // the page never answers
    EXPECT_LT(clock.elapsed(), 50000);
    EXPECT_EQ(errors.count("page alert: again\n"), 3) << errors.left(2000).toStdString();
    EXPECT_EQ(errors.count("page blocked: again\n"), 1);
}

}  // namespace
}  // namespace quelvo
