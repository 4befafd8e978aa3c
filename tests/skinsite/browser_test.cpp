// The template page in the real embedded browser: filling its fields and pressing "btnmake" makes
// the picture, with the Chinese texts arriving intact.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEnginePage>

#include "support/gifcomments.h"
#include "support/loopbackserver.h"
#include "support/wait.h"
#include "tests/skinsite/sitefixture.h"

namespace quelvo::test {
namespace {

class RecordingPage : public QWebEnginePage {
public:
    QStringList alerts;

protected:
    void javaScriptAlert(const QUrl&, const QString& message) override { alerts << message; }
};

class BrowserMakeTest : public SiteTest {
protected:
    skinsite::Options siteOptions() const override { return skinsite::Options{}; }
};

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
