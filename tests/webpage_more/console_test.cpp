// A short scripted session through the real quelvo-console: a select box as a console object.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "support/loopbackserver.h"

namespace quelvo {
namespace {

class ConsoleSession {
public:
    ConsoleSession() {
        m_process.setProgram(QUELVO_CONSOLE_PATH);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
    }
    ~ConsoleSession() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
    }

    bool started() { return m_process.waitForStarted(10000); }

    // Sends one request and returns its answer's "result", or the "error" text prefixed "error:".
    QJsonValue ask(const QString& op, const QJsonArray& args = {}) {
        QJsonObject request{{"id", ++m_id}, {"op", op}, {"args", args}};
        m_process.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + "\n");
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(30000))
                return QString("error: no answer");
        }
        QJsonObject answer = QJsonDocument::fromJson(m_process.readLine()).object();
        EXPECT_EQ(answer.value("id").toInt(), m_id);
        if (answer.contains("error"))
            return "error: " + answer.value("error").toString();
        return answer.value("result");
    }

private:
    QProcess m_process;
    int m_id = 0;
};

TEST(ConsoleCompanions, SelectBoxAsAConsoleObject) {
    test::LoopbackServer server(test::fixturesDir("webpage_more"));
    ConsoleSession console;
    ASSERT_TRUE(console.started());
    ASSERT_EQ(console.ask("load", {QString::fromStdString(server.url("/selects.html"))}), true);
    const QJsonValue window = console.ask("browserWindow");
    ASSERT_TRUE(window.isDouble());
    ASSERT_EQ(console.ask("Bind", {QJsonValue::Null, window}), true);

    const QJsonObject box = console.ask("GetSelectBox", {"COLOUR", 0}).toObject();
    EXPECT_EQ(box.value("class").toString(), "SelectBox");
    const QString name = box.value("object").toString();
    ASSERT_FALSE(name.isEmpty());
    EXPECT_EQ(console.ask(name + ".Count"), 3);
    EXPECT_EQ(console.ask(name + ".GetOptionText", {2}), "Green");

    // A clone outlives the object it was made from.
    const QString clone = console.ask(name + ".Clone").toObject().value("object").toString();
    ASSERT_FALSE(clone.isEmpty());
    EXPECT_EQ(console.ask("release", {name}), true);
    EXPECT_TRUE(console.ask(name + ".Count").toString().startsWith("error:"));
    EXPECT_EQ(console.ask(clone + ".SetSelectedIndex", {1}), true);
    EXPECT_EQ(console.ask(clone + ".GetSelectedIndex"), 0);
    EXPECT_TRUE(console.ask(clone + ".Destroy").toString().startsWith("error:"));

    EXPECT_EQ(console.ask("ColorToHtml", {0x12345678}), "785634");
    EXPECT_EQ(console.ask("GetSelectBox", {"nobody", 0}).toObject().value("class"), "SelectBox");
    EXPECT_EQ(console.ask("quit"), true);
}

// {"ref": null} is an empty reference given, null an omitted one.
TEST(ConsoleReferences, EmptyReferenceDiffersFromAnOmittedOne) {
    test::LoopbackServer server(test::fixturesDir("webpage_more"));
    ConsoleSession console;
    ASSERT_TRUE(console.started());
    ASSERT_EQ(console.ask("load", {QString::fromStdString(server.url("/popup.html"))}), true);
    const QJsonValue window = console.ask("browserWindow");
    const QJsonObject empty{{"ref", QJsonValue::Null}};
    ASSERT_EQ(console.ask("Bind", {QJsonValue::Null, window}), true);
    EXPECT_EQ(console.ask("GetPageText", {"title"}), "popup");

    // An empty document unbinds, whatever the window says; an omitted one leaves the binding.
    EXPECT_EQ(console.ask("Bind", {empty, window}), false);
    EXPECT_EQ(console.ask("GetPageText", {"title"}), "");
    EXPECT_EQ(console.ask("Bind", {QJsonValue::Null, window}), true);
    EXPECT_EQ(console.ask("Bind", {QJsonValue::Null, QJsonValue::Null}), false);
    EXPECT_EQ(console.ask("GetPageText", {"title"}), "popup");

    // A popup with an empty anchor and one without: both are shown at the given place.
    const QJsonArray place{1, 2, 30, 40, "x", QJsonValue::Null, QJsonValue::Null, QJsonValue::Null};
    QJsonArray withEmpty = place;
    withEmpty.append(empty);
    EXPECT_TRUE(console.ask("ShowPopup", withEmpty).toObject().contains("ref"));
    EXPECT_TRUE(console.ask("ShowPopup", place).toObject().contains("ref"));
    EXPECT_EQ(console.ask("HidePopup", {empty}), QJsonValue::Null);

    // Anything else in place of a reference is a wrong argument.
    EXPECT_TRUE(console.ask("Bind", {QJsonObject{{"ref", 5}}}).toString().startsWith("error:"));
    EXPECT_TRUE(console.ask("Bind", {QJsonObject{}}).toString().startsWith("error:"));
    EXPECT_EQ(console.ask("quit"), true);
}

}  // namespace
}  // namespace quelvo
