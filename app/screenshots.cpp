// Takes the documentation's screenshots: the three windows on the bundled site, skinned as the
// program skins them, and the finished picture the site made. Run it under a display
// (scripts/screenshots uses Xvfb) from a scratch folder: it writes the carried files there.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWebEnginePage>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "app/clearinglineedit.h"
#include "app/gallerywindow.h"
#include "app/mainwindow.h"
#include "app/makingwindow.h"
#include "app/siteaddresses.h"
#include "app/startup.h"
#include "platform/browser/automationpage.h"
#include "platform/browser/browsercontrol.h"
#include "platform/http/fetch.h"
#include "platform/widgets/picturebox.h"
#include "platform/widgets/timedwait.h"

namespace {

using namespace quelvo;
using namespace quelvo::app;

constexpr const char* kQq = "12345678";

void pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A 256-colour copy of `image`: exact when it has no more colours, else by median cut over 15-bit
// colours. Keeps the committed PNGs small.
QImage withPalette(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    auto key = [](QRgb c) {
        return (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3);
    };

    std::map<QRgb, int> exact;
    for (int y = 0; y < rgb.height() && exact.size() <= 256; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width() && exact.size() <= 256; ++x)
            exact.emplace(line[x] | 0xFF000000u, 0);
    }
    QList<QRgb> palette;
    std::vector<int> lookup(1 << 15, 0);
    const bool isExact = exact.size() <= 256;
    if (isExact) {
        for (auto& [colour, index] : exact) {
            index = static_cast<int>(palette.size());
            palette.append(colour);
        }
    } else {
        struct Bin {
            double count = 0, r = 0, g = 0, b = 0;
        };
        std::vector<Bin> bins(1 << 15);
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < rgb.width(); ++x) {
                Bin& bin = bins[static_cast<std::size_t>(key(line[x]))];
                bin.count += 1;
                bin.r += qRed(line[x]);
                bin.g += qGreen(line[x]);
                bin.b += qBlue(line[x]);
            }
        }
        std::vector<std::vector<int>> boxes(1);
        for (int k = 0; k < (1 << 15); ++k) {
            if (bins[static_cast<std::size_t>(k)].count > 0)
                boxes[0].push_back(k);
        }
        auto channel = [](int k, int c) { return (k >> (10 - 5 * c)) & 31; };
        while (boxes.size() < 256) {
            // Split the box with the most pixels times its widest range, at its weighted median.
            std::size_t best = 0;
            double bestScore = -1;
            int bestChannel = 0;
            for (std::size_t i = 0; i < boxes.size(); ++i) {
                if (boxes[i].size() < 2)
                    continue;
                double pixels = 0;
                int low[3] = {31, 31, 31}, high[3] = {0, 0, 0};
                for (int k : boxes[i]) {
                    pixels += bins[static_cast<std::size_t>(k)].count;
                    for (int c = 0; c < 3; ++c) {
                        low[c] = std::min(low[c], channel(k, c));
                        high[c] = std::max(high[c], channel(k, c));
                    }
                }
                for (int c = 0; c < 3; ++c) {
                    const double score = pixels * (high[c] - low[c]);
                    if (score > bestScore) {
                        bestScore = score;
                        best = i;
                        bestChannel = c;
                    }
                }
            }
            if (bestScore <= 0)
                break;
            std::vector<int>& box = boxes[best];
            std::sort(box.begin(), box.end(), [&](int a, int b) {
                return channel(a, bestChannel) < channel(b, bestChannel);
            });
            double total = 0;
            for (int k : box)
                total += bins[static_cast<std::size_t>(k)].count;
            double running = 0;
            std::size_t cut = 1;
            for (; cut < box.size(); ++cut) {
                running += bins[static_cast<std::size_t>(box[cut - 1])].count;
                if (running >= total / 2)
                    break;
            }
            cut = std::clamp<std::size_t>(cut, 1, box.size() - 1);
            std::vector<int> upper(box.begin() + static_cast<std::ptrdiff_t>(cut), box.end());
            box.resize(cut);
            boxes.push_back(std::move(upper));
        }
        for (const std::vector<int>& box : boxes) {
            Bin sum;
            for (int k : box) {
                const Bin& bin = bins[static_cast<std::size_t>(k)];
                sum.count += bin.count;
                sum.r += bin.r;
                sum.g += bin.g;
                sum.b += bin.b;
                lookup[static_cast<std::size_t>(k)] = static_cast<int>(palette.size());
            }
            palette.append(qRgb(static_cast<int>(sum.r / sum.count + 0.5),
                                static_cast<int>(sum.g / sum.count + 0.5),
                                static_cast<int>(sum.b / sum.count + 0.5)));
        }
    }
    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            out[x] = static_cast<uchar>(isExact ? exact[line[x] | 0xFF000000u]
                                                : lookup[static_cast<std::size_t>(key(line[x]))]);
        }
    }
    return indexed;
}

bool save(const QImage& image, const QString& path) {
    QImageWriter writer(path, "png");
    // For PNG, quality 0 is the strongest compression.
    writer.setQuality(0);
    if (!writer.write(withPalette(image))) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool grab(QWidget* window, const QString& path) {
    pump(150);
    return save(window->grab().toImage(), path);
}

bool waitForLoad(MakingWindow* window) {
    QEventLoop loop;
    bool ok = false;
    QObject::connect(window->browser()->page(), &QWebEnginePage::loadFinished, &loop,
                     [&](bool success) {
                         if (window->browser()->page()->url().path().endsWith(".html")) {
                             ok = success;
                             loop.quit();
                         }
                     });
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    loop.exec();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quelvo-screenshots OUTPUT-FOLDER\n");
        return 2;
    }
    initialisePlatform();
    QApplication application(argc, argv);
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    configureSites({});
    createGlobalWebPage();
    // The long wait lasts 4 s instead of 20 s.
    widgets::setTimedWaitScale(0.2);

    // Every message box is answered at once, as a user pressing OK would.
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    answerer.start(20);

    bool ok = true;
    std::unique_ptr<MainWindow> main = MainWindow::load();
    main->qqBox()->setText(QString::fromLatin1(kQq));
    main->show();
    ok = grab(main.get(), out + "/main-window.png") && ok;

    auto gallery = std::make_unique<GalleryWindow>();
    gallery->numberBox()->setText(QStringLiteral("6"));
    gallery->nextButton()->click();
    gallery->show();
    ok = grab(gallery.get(), out + "/gallery-window.png") && ok;

    gallery->startButton()->click();
    MakingWindow* making = MakingWindow::openWindow();
    if (!making || !waitForLoad(making)) {
        std::fprintf(stderr, "the template page did not load\n");
        return 1;
    }
    const char* items[] = {"小鱼儿", "今天也要开心", "女",   "18",   "3月14日", "O型",
                           "兔",     "双鱼座",       "中国", "浙江", "杭州"};
    for (int i = 2; i <= MakingWindow::kItemCount; ++i)
        making->itemBox(i)->setText(QString::fromUtf8(items[i - 2]));
    // During the wait, with its countdown: the wait ends once the picture is there, which on
    // the bundled site is well within a second.
    bool waitingGrabbed = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, making, [&] {
        if (!waitingGrabbed && !making->countdownLabel()->text().isEmpty()) {
            waitingGrabbed = true;
            watcher.stop();
            ok = grab(making, out + "/making-window-waiting.png") && ok;
        }
    });
    watcher.start(10);
    making->makeButton()->click();
    watcher.stop();
    if (!waitingGrabbed) {
        std::fprintf(stderr, "the wait was not seen\n");
        ok = false;
    }
    if (!making->pictureBox()->hasPicture()) {
        std::fprintf(stderr, "the make gave no picture\n");
        return 1;
    }
    ok = grab(making, out + "/making-window.png") && ok;

    const std::string finished =
        http::fetch(imageAddress() + "bg/"_t + Text::fromUtf8(kQq) + ".gif"_t);
    QImage picture = QImage::fromData(
        QByteArray::fromRawData(finished.data(), static_cast<qsizetype>(finished.size())), "gif");
    ok = !picture.isNull() && save(picture, out + "/finished-picture.png") && ok;

    delete making;
    gallery.reset();
    main.reset();
    exitCleanUp();
    stopBundledSite();
    return ok ? 0 : 1;
}
