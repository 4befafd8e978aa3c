// Shared pieces of the window tests: the bundled skin site as the program starts it, a desktop
// folder of the test's own, an answerer for every message box, and a making window on a page.
#include "appfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>

#include <httplib.h>

#include "app/makingwindow.h"
#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/files/files.h"
#include "platform/http/fetch.h"
#include "platform/widgets/qttext.h"
#include "platform/widgets/timedwait.h"
#include "skinsite/fields.h"
#include "skinsite/skinsite.h"
#include "support/gifcomments.h"
#include "support/wait.h"

namespace quelvo::test {

DialogAnswerer::DialogAnswerer() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start(5);
}

void DialogAnswerer::poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    SeenDialog dialog{box->windowTitle().toStdString(), box->text().toStdString()};
    seen.push_back(dialog);
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->reject();
    if (onDialog)
        onDialog(dialog);
}

::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected)
        return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    return ::testing::AssertionFailure() << actual.size() << " bytes where " << expected.size()
                                         << " were expected, first difference at " << at;
}

::testing::AssertionResult samePicture(const std::string& actual, const std::string& expected) {
    if (!actual.starts_with("GIF8"))
        return ::testing::AssertionFailure() << "not a GIF: " << actual.size() << " bytes";
    return sameBytes(withoutGifComments(actual), withoutGifComments(expected));
}

int DialogAnswerer::count(const std::string& text) const {
    int n = 0;
    for (const SeenDialog& d : seen)
        n += d.text == text;
    return n;
}

std::vector<std::string> DialogAnswerer::texts() const {
    std::vector<std::string> out;
    for (const SeenDialog& d : seen)
        out.push_back(d.text);
    return out;
}

void AppTest::SetUp() {
    ASSERT_TRUE(m_temp.isValid());
    widgets::setTimedWaitScale(1.0);
    app::setWindowFetchOptions({});
    useSites({});
    setDesktop(m_temp.filePath(QStringLiteral("Desktop")));
    // The site lives for the whole executable: a number of its own keeps an earlier test's
    // picture from passing for this one's.
    static int serial = 0;
    m_qq = std::to_string(2000000000LL + QCoreApplication::applicationPid() % 100000 * 1000 +
                          ++serial);
    ASSERT_FALSE(pictureOf(m_qq).starts_with("GIF")) << m_qq << " already has a picture";
    m_main = std::make_unique<app::MainWindow>();
    m_main->qqBox()->setText(QString::fromStdString(m_qq));
}

void AppTest::shortenWaits() {
    widgets::setTimedWaitScale(kShortWaitScale);
}

std::string AppTest::pictureOf(const std::string& qq) {
    return siteBytes("bg/" + qq + ".gif");
}

std::string AppTest::directMake(int number, const std::vector<std::string>& items) {
    const QUrl base(QString::fromStdString(siteBase()));
    httplib::Client client(base.host().toStdString(), base.port());
    std::string body = "template=" + std::to_string(number);
    // The site's own field names, not the window's table: a swapped id shows as a difference.
    for (std::size_t i = 0; i < skinsite::fieldIds.size(); ++i) {
        const QByteArray value =
            QUrl::toPercentEncoding(QString::fromStdString(i < items.size() ? items[i] : ""));
        body += "&" + std::string(skinsite::fieldIds[i]) + "=" + value.toStdString();
    }
    const auto made = client.Post("/make", body, "application/x-www-form-urlencoded");
    if (!made || made->status != 200) {
        ADD_FAILURE() << "the direct make was refused";
        return {};
    }
    return pictureOf(items.empty() ? std::string() : items.front());
}

void AppTest::TearDown() {
    delete app::MakingWindow::openWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_main.reset();
    widgets::setTimedWaitScale(1.0);
    app::setWindowFetchOptions({});
    useSites({});
}

std::string AppTest::siteBase() {
    app::configureSites({});
    app::mainAddress();
    skinsite::SkinSite* site = app::bundledSite();
    return site ? site->baseUrl() : std::string();
}

std::string AppTest::siteBytes(const std::string& path) {
    return http::fetch(Text::fromUtf8(siteBase() + path));
}

void AppTest::useSites(app::SiteOptions options) {
    app::configureSites(options);
}

app::MakingWindow* AppTest::openMakingOn(int number) {
    app::MakingWindow* window = app::MakingWindow::open();
    window->navigate(app::mainAddress() + Text::fromUtf8(std::to_string(number) + ".html"));
    if (!waitForPage(window, QStringLiteral("/%1.html").arg(number)))
        ADD_FAILURE() << "template page " << number << " did not load";
    return window;
}

bool AppTest::waitForPage(app::MakingWindow* window, const QString& path, int timeoutMs) {
    QPointer<app::MakingWindow> guarded(window);
    bool loaded = false;
    QWebEnginePage* page = window->browser()->page();
    auto connection = QObject::connect(page, &QWebEnginePage::loadFinished, page,
                                       [&](bool ok) { loaded = ok && page->url().path() == path; });
    const bool ok = waitFor([&] { return loaded || !guarded; }, timeoutMs) && guarded;
    QObject::disconnect(connection);
    return ok;
}

QString AppTest::desktopFile() const {
    return QString::fromUtf8(files::desktopFolder().toUtf8()) + QStringLiteral("/空间皮肤.gif");
}

bool AppTest::readDesktopFile(std::string& bytes) const {
    QFile file(desktopFile());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll().toStdString();
    return true;
}

void AppTest::setDesktop(const QString& path) {
    // Qt reads the XDG user folders file on every ask.
    const QString config = m_temp.filePath(QStringLiteral("config"));
    QDir().mkpath(config);
    QFile dirs(config + QStringLiteral("/user-dirs.dirs"));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly | QIODevice::Truncate));
    dirs.write("XDG_DESKTOP_DIR=\"" + path.toUtf8() + "\"\n");
    dirs.close();
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
}

}  // namespace quelvo::test
