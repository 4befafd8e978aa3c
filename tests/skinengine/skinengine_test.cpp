// The skin engine, loaded the way the program loads it: the carried skin gives every window its
// look; a skin it cannot read leaves the plain look. Also: the carried bytes are the built ones.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "platform/files/files.h"
#include "platform/library/library.h"
#include "resources/resources.h"
#include "skinengine/skinformat.h"

namespace quelvo {
namespace {

namespace fs = std::filesystem;
using Attach = int(const char*, const char*);

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string bytesOf(std::span<const unsigned char> span) {
    return {reinterpret_cast<const char*>(span.data()), span.size()};
}

bool bluish(QColor c) {
    return c.blue() > c.red() + 30;
}
bool greyish(QColor c) {
    return std::abs(c.red() - c.blue()) < 12 && std::abs(c.red() - c.green()) < 12;
}

// A small window like the program's: a button, a disabled button, a red-on-white edit box.
struct SampleWindow {
    SampleWindow() {
        window.resize(336, 120);
        button = new QPushButton(QStringLiteral("进入制作界面"), &window);
        button->setGeometry(248, 16, 80, 32);
        disabled = new QPushButton(QStringLiteral("保存"), &window);
        disabled->setGeometry(248, 64, 80, 32);
        disabled->setEnabled(false);
        edit = new QLineEdit(QStringLiteral("88888"), &window);
        edit->setGeometry(0, 8, 232, 40);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, Qt::red);
        palette.setColor(QPalette::Base, Qt::white);
        edit->setPalette(palette);
        QFont font = edit->font();
        font.setPixelSize(29);
        edit->setFont(font);
        window.show();
    }
    QImage image() { return window.grab().toImage(); }

    QWidget window;
    QPushButton* button;
    QPushButton* disabled;
    QLineEdit* edit;
};

bool hasRedText(const QImage& image, QRect area) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 90 && c.blue() < 90)
                return true;
        }
    }
    return false;
}

class SkinEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quelvo-skin-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        fs::copy_file(QUELVO_SKINENGINE_PATH, m_folder / "jedata.dll");
        qApp->setStyleSheet(QString());
        m_attach = library::bind<Attach>(Text::fromUtf8((m_folder / "jedata.dll").string()),
                                         "SkinH_AttachEx");
    }
    void TearDown() override {
        qApp->setStyleSheet(QString());
        library::unloadAll();
        fs::remove_all(m_folder);
    }

    // Writes `bytes` as the skin file "皮肤.she" and returns its path as the program passes it.
    Text skinAt(const std::string& bytes) {
        const Text path = Text::fromUtf8(m_folder.string()) + "/皮肤.she"_t;
        EXPECT_TRUE(files::writeFile(path, bytes));
        return path;
    }

    fs::path m_folder;
    Attach* m_attach = nullptr;
};

TEST_F(SkinEngineTest, CarriedSkinRestylesEveryWindowAndKeepsTheRedBox) {
    SampleWindow sample;
    const QImage plain = sample.image();
    QDialog plainDialog;
    plainDialog.resize(120, 60);
    plainDialog.show();
    const QColor plainDialogBackground = plainDialog.grab().toImage().pixelColor(5, 5);
    ASSERT_TRUE(greyish(plain.pixelColor(250 + 10, 16 + 6)));
    ASSERT_TRUE(hasRedText(plain, QRect(4, 12, 200, 32)));

    const Text path = skinAt(bytesOf(resources::skinFile()));
    ASSERT_EQ(m_attach(path.c_str(), ""), 0);
    EXPECT_EQ(qApp->styleSheet().toStdString(), readAll(QUELVO_SKIN_SHEET));

    const QImage skinned = sample.image();
    const QColor buttonTop = skinned.pixelColor(248 + 20, 16 + 5);
    const QColor disabledTop = skinned.pixelColor(248 + 20, 64 + 5);
    EXPECT_TRUE(bluish(buttonTop)) << buttonTop.name().toStdString();
    EXPECT_NE(buttonTop, disabledTop);
    // The window background turns a pale blue.
    const QColor background = skinned.pixelColor(4, 100);
    EXPECT_NE(background, plain.pixelColor(4, 100));
    EXPECT_GT(background.blue(), background.red()) << background.name().toStdString();
    EXPECT_TRUE(hasRedText(skinned, QRect(4, 12, 200, 32)));

    // Other windows, also those made after the call, take the look too.
    EXPECT_EQ(plainDialog.grab().toImage().pixelColor(5, 5), background);
    QDialog later;
    later.resize(120, 60);
    later.show();
    EXPECT_EQ(later.grab().toImage().pixelColor(5, 5), background);
    EXPECT_NE(background, plainDialogBackground);
}

struct BadSkin {
    const char* name;
    std::function<std::optional<std::string>()> bytes;  // nullopt: no file at all
    skin::SkinError expected;
};

class BadSkinTest : public SkinEngineTest, public ::testing::WithParamInterface<BadSkin> {};

TEST_P(BadSkinTest, LeavesThePlainLook) {
    SampleWindow sample;
    const QImage plain = sample.image();
    const auto bytes = GetParam().bytes();
    const Text path = bytes ? skinAt(*bytes) : Text::fromUtf8((m_folder / "无.she").string());

    EXPECT_EQ(m_attach(path.c_str(), ""), static_cast<int>(GetParam().expected));
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    EXPECT_EQ(sample.image(), plain);
}

INSTANTIATE_TEST_SUITE_P(
    Skin, BadSkinTest,
    ::testing::Values(
        BadSkin{"Missing", [] { return std::optional<std::string>(); },
                skin::SkinError::Unreadable},
        BadSkin{"Empty", [] { return std::optional<std::string>(""); }, skin::SkinError::NotASkin},
        BadSkin{"PlainStyleSheet",
                [] { return std::optional<std::string>("QWidget { background: red; }"); },
                skin::SkinError::NotASkin},
        BadSkin{"OneByteFlipped",
                [] {
                    std::string b = bytesOf(resources::skinFile());
                    b[b.size() / 2] ^= 0x01;
                    return std::optional<std::string>(b);
                },
                skin::SkinError::BadChecksum},
        BadSkin{"Truncated",
                [] {
                    std::string b = bytesOf(resources::skinFile());
                    b.resize(b.size() - 100);
                    return std::optional<std::string>(b);
                },
                skin::SkinError::BadLength}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SkinEngineTest, FolderIsAFileNameInUtf8ReachedThroughGb18030) {
    const fs::path folder = m_folder / "皮肤 目录";
    fs::create_directory(folder);
    const Text path = Text::fromUtf8(folder.string()) + "/皮肤.she"_t;
    ASSERT_TRUE(files::writeFile(path, resources::skinFile()));
    ASSERT_TRUE(fs::exists(folder / "皮肤.she"));
    EXPECT_EQ(m_attach(path.c_str(), "any password"), 0);
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
}

TEST(CarriedFiles, AreTheBuiltLibraryAndTheSkinPackedFromTheSheet) {
    const std::string library = bytesOf(resources::skinEngineLibrary());
    EXPECT_EQ(library.substr(0, 4),
              "\x7f"
              "ELF");
    EXPECT_EQ(library, readAll(QUELVO_SKINENGINE_PATH));

    const std::string skinFile = bytesOf(resources::skinFile());
    EXPECT_EQ(skinFile, readAll(QUELVO_SKIN_FILE));
    const skin::Unpacked unpacked = skin::unpackSkin(skinFile);
    ASSERT_EQ(unpacked.error, skin::SkinError::None);
    EXPECT_EQ(unpacked.styleSheet, readAll(QUELVO_SKIN_SHEET));
}

}  // namespace
}  // namespace quelvo
