// The main window's created step in-process: the carried files are written hidden and system,
// a later run keeps the earlier copies and uses them, and the exit clean-up unloads the engine.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/carriedfiles.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "filetools.h"
#include "platform/files/files.h"
#include "platform/library/library.h"
#include "resources/resources.h"
#include "skinengine/skinformat.h"
#include "webpage/webpage.h"

namespace quelvo::app {
namespace {

namespace fs = std::filesystem;

using test::bytesOf;
using test::inodeOf;
using test::readAll;

class CarriedFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quelvo-carried-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        qApp->setStyleSheet(QString());
    }
    void TearDown() override {
        qApp->setStyleSheet(QString());
        library::unloadAll();
        fs::remove_all(m_folder);
    }
    const fs::path& folder() const { return m_folder; }
    fs::path library() const { return m_folder / "jedata.dll"; }
    fs::path skin() const { return m_folder / "皮肤.she"; }

    fs::path m_folder;
};

TEST_F(CarriedFilesTest, FirstRunWritesBothFilesHiddenAndSystemAndAttachesTheSkin) {
    installCarriedFiles(folder());

    EXPECT_EQ(readAll(library()), bytesOf(resources::skinEngineLibrary()));
    EXPECT_EQ(readAll(skin()), bytesOf(resources::skinFile()));
    EXPECT_EQ(files::attributes(Text::fromUtf8(library().string())), 6u);
    EXPECT_EQ(files::attributes(Text::fromUtf8(skin().string())), 6u);
    EXPECT_EQ(library::loadedCount(), 1u);
    EXPECT_EQ(qApp->styleSheet().toStdString(),
              skin::unpackSkin(bytesOf(resources::skinFile())).styleSheet);
}

// A later run finds the earlier copies hidden and system: both writes are refused and the copies
// in the folder are what get loaded. A distinct skin makes "which copy was used" visible.
TEST_F(CarriedFilesTest, LaterRunKeepsAndUsesTheEarlierCopies) {
    const std::string earlierSkin = skin::packSkin("QWidget { background-color: #123456; }");
    fs::copy_file(QUELVO_SKINENGINE_PATH, library());
    std::ofstream(skin(), std::ios::binary) << earlierSkin;
    ASSERT_TRUE(files::setAttributes(Text::fromUtf8(library().string()), 6));
    ASSERT_TRUE(files::setAttributes(Text::fromUtf8(skin().string()), 6));
    const ino_t libraryInode = inodeOf(library());
    const ino_t skinInode = inodeOf(skin());

    installCarriedFiles(folder());

    EXPECT_EQ(readAll(skin()), earlierSkin);
    EXPECT_EQ(inodeOf(library()), libraryInode);
    EXPECT_EQ(inodeOf(skin()), skinInode);
    EXPECT_EQ(qApp->styleSheet(), "QWidget { background-color: #123456; }");
}

TEST_F(CarriedFilesTest, StaleFilesWithoutTheMarkAreReplaced) {
    std::ofstream(skin(), std::ios::binary) << "old skin";
    std::ofstream(library(), std::ios::binary) << "old library";

    installCarriedFiles(folder());

    EXPECT_EQ(readAll(skin()), bytesOf(resources::skinFile()));
    EXPECT_EQ(readAll(library()), bytesOf(resources::skinEngineLibrary()));
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
}

// A link planted at either name would have the write land in the file it names: the link itself
// is replaced instead, and the file elsewhere keeps its bytes.
TEST_F(CarriedFilesTest, LinksAtTheNamesAreReplacedNeverWrittenThrough) {
    const fs::path elsewhere = m_folder / "elsewhere";
    fs::create_directory(elsewhere);
    for (const fs::path& name : {library(), skin()}) {
        const fs::path victim = elsewhere / name.filename();
        std::ofstream(victim, std::ios::binary) << "precious";
        fs::create_symlink(victim, name);
    }

    installCarriedFiles(folder());

    for (const fs::path& name : {library(), skin()}) {
        SCOPED_TRACE(name.filename().string());
        EXPECT_EQ(readAll(elsewhere / name.filename()), "precious");
        EXPECT_FALSE(fs::is_symlink(name));
        EXPECT_EQ(files::attributes(Text::fromUtf8(name.string())), 6u);
    }
    EXPECT_EQ(readAll(library()), bytesOf(resources::skinEngineLibrary()));
    EXPECT_EQ(readAll(skin()), bytesOf(resources::skinFile()));
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
}

TEST_F(CarriedFilesTest, ExitCleanUpDestroysTheGlobalPageAndUnloadsTheEngine) {
    createGlobalWebPage();
    WebPage* page = &globalWebPage();
    EXPECT_FALSE(page->boundDocument);
    installCarriedFiles(folder());
    ASSERT_EQ(library::loadedCount(), 1u);

    exitCleanUp();
    EXPECT_EQ(library::loadedCount(), 0u);
    exitCleanUp();  // a second time is harmless
    EXPECT_EQ(library::loadedCount(), 0u);
}

// load() is the start-up's "load the main window": the created step runs in the current
// directory before the window is shown, and the window is centred.
TEST_F(CarriedFilesTest, LoadRunsTheCreatedStepInTheCurrentDirectory) {
    const int saved = ::open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(saved, 0);
    ASSERT_EQ(::chdir(m_folder.c_str()), 0);
    std::unique_ptr<MainWindow> window = MainWindow::load();
    EXPECT_EQ(::fchdir(saved), 0);
    ::close(saved);

    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(fs::exists(library()));
    EXPECT_TRUE(fs::exists(skin()));
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window->frameGeometry().center() - centre).manhattanLength(), 2);
}

}  // namespace
}  // namespace quelvo::app
