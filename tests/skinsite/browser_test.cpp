// The template page in the real embedded browser: filling its fields and pressing "btnmake" makes
// the picture, with the Chinese texts arriving intact.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEnginePage>

#include "support/gifcomments.h"
#include "support/loopbackserver.h"
#include "support/wait.h"
#include "tests/skinsite/giftools.h"
#include "tests/skinsite/sitefixture.h"

namespace quelvo::test {
namespace {

class RecordingPage : public QWebEnginePage {
public:
    QStringList alerts;

protected:
    void javaScriptAlert(const QUrl&, const QString& message) override { alerts << message; }
};

QString fixture(const char* name) {
    QFile file(QString::fromStdString(fixturesDir("skinsite") + "/" + name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class BrowserMakeTest : public SiteTest {
protected:
    skinsite::Options siteOptions() const override { return skinsite::Options{}; }

    bool load(QWebEnginePage& page, const std::string& path) {
        bool loaded = false;
        auto connection =
            QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool ok) { loaded = ok; });
        page.load(QUrl(QString::fromStdString(m_site->baseUrl() + path)));
        const bool ok = waitFor([&] { return loaded; });
        QObject::disconnect(connection);
        return ok;
    }

    QVariant run(QWebEnginePage& page, const QString& script) {
        QVariant result;
        bool ran = false;
        page.runJavaScript(script, [&](const QVariant& r) {
            result = r;
            ran = true;
        });
        waitFor([&] { return ran; });
        return result;
    }
};

QString fillCall(const QString& fill, const FormFields& form) {
    QJsonObject values;
    for (const auto& [name, value] : form) {
        if (name != "template")
            values[QString::fromStdString(name)] = QString::fromStdString(value);
    }
    return fill + "(" + QString::fromUtf8(QJsonDocument(values).toJson(QJsonDocument::Compact)) +
           ")";
}

TEST_F(BrowserMakeTest, EveryTemplateFillsAndSubmits) {
    const QString fill = fixture("fill.js"), describe = fixture("form.js");
    ASSERT_FALSE(fill.isEmpty() || describe.isEmpty());
    QStringList inputs;
    for (std::string_view id : skinsite::fieldIds)
        inputs << QString::fromStdString(std::string(id) + "=" + std::string(id));

    RecordingPage page;
    for (int n = 1; n <= skinsite::templateCount; ++n) {
        ASSERT_TRUE(load(page, std::to_string(n) + ".html")) << n;
        const QJsonObject form =
            QJsonDocument::fromJson(run(page, describe).toString().toUtf8()).object();
        EXPECT_EQ(form["forms"].toInt(), 1) << n;
        EXPECT_EQ(form["action"].toString().toStdString(), m_site->baseUrl() + "make") << n;
        EXPECT_EQ(form["method"].toString(), "post") << n;
        EXPECT_GT(form["preview"].toInt(), 0) << n << ": the preview is not shown";
        EXPECT_EQ(form["template"].toString(), QString::number(n));
        EXPECT_EQ(form["inputs"].toVariant().toStringList(), inputs) << n;
        EXPECT_EQ(form["buttons"].toInt(), 1) << n;

        // Filled and pressed as the program does: the site makes this number's picture from this
        // template, the same as a direct post of the same texts.
        const std::string qq = std::to_string(60000 + n);
        const FormFields items = profileForm(qq, n);
        const qsizetype alerts = page.alerts.size();
        bool submitted = false;
        auto connection = QObject::connect(&page, &QWebEnginePage::loadFinished,
                                           [&](bool ok) { submitted = ok; });
        EXPECT_EQ(run(page, fillCall(fill, items)).toInt(), 1) << n;
        ASSERT_TRUE(waitFor([&] { return submitted && page.alerts.size() > alerts; }, 20000)) << n;
        QObject::disconnect(connection);
        EXPECT_EQ(page.url().path(), "/make") << n;

        auto fromBrowser = get("/bg/" + qq + ".gif");
        ASSERT_TRUE(fromBrowser);
        ASSERT_EQ(fromBrowser->status, 200) << n;
        ASSERT_EQ(post(items)->status, 200) << n;
        const DecodedGif browser = decodeGif(fromBrowser->body),
                         direct = decodeGif(get("/bg/" + qq + ".gif")->body);
        ASSERT_TRUE(browser.ok && direct.ok) << n;
        EXPECT_EQ(browser.frames, direct.frames) << n;
        EXPECT_EQ(differingPixels(browser.first, direct.first), 0) << n;
    }
}

TEST_F(BrowserMakeTest, PressingTheMakeButtonMakesThePicture) {
    QFile script(QString::fromStdString(fixturesDir("skinsite") + "/fill.js"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QString fill = QString::fromUtf8(script.readAll());

    RecordingPage page;
    bool loaded = false;
    QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool ok) { loaded = ok; });
    page.load(QUrl(QString::fromStdString(m_site->baseUrl() + "21.html")));
    ASSERT_TRUE(waitFor([&] { return loaded; }));

    const FormFields form = profileForm("55555555", 21);
    QJsonObject values;
    for (const auto& [name, value] : form) {
        if (name != "template")
            values[QString::fromStdString(name)] = QString::fromStdString(value);
    }
    loaded = false;
    QVariant buttons;
    bool ran = false;
    page.runJavaScript(fill + "(" + QJsonDocument(values).toJson(QJsonDocument::Compact) + ")",
                       [&](const QVariant& result) {
                           buttons = result;
                           ran = true;
                       });
    ASSERT_TRUE(waitFor([&] { return ran; }));
    EXPECT_EQ(buttons.toInt(), 1);
    ASSERT_TRUE(waitFor([&] { return loaded && !page.alerts.isEmpty(); }, 20000));
    EXPECT_EQ(page.url().path(), "/make");
    EXPECT_EQ(page.alerts, QStringList{"皮肤制作成功，请回到软件下载图片！"});

    // The browser's picture is the one a direct post of the same texts makes: nothing was lost or
    // mis-decoded on the way.
    auto fromBrowser = get("/bg/55555555.gif");
    ASSERT_TRUE(fromBrowser);
    ASSERT_EQ(fromBrowser->status, 200);
    ASSERT_EQ(post(form)->status, 200);
    EXPECT_EQ(withoutGifComments(get("/bg/55555555.gif")->body),
              withoutGifComments(fromBrowser->body));
}

}  // namespace
}  // namespace quelvo::test
