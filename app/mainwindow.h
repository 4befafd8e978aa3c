// The main window: the QQ number box and the button that leads on to the gallery.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>

#include "common/text.h"

class QPushButton;

namespace quelvo::app {

class ClearingLineEdit;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Client size; with the frame the window is about 342 × 89.
    static constexpr int kClientWidth = 336;
    static constexpr int kClientHeight = 60;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Loads the start-up window: builds it, runs its created step (the carried files and the
    // skin, in the current directory) and centres it; the caller shows it.
    static std::unique_ptr<MainWindow> load();

    // The most recently built main window still alive, or nullptr.
    static MainWindow* instance();

    // The text of `编辑框1`, read by the making window when it is made.
    Text qqText() const;

    ClearingLineEdit* qqBox() const { return m_qqBox; }
    QPushButton* enterButton() const { return m_enterButton; }

    // What a number that passes the test opens; by default the gallery window, modally.
    void setGalleryOpener(std::function<void()> opener) { m_openGallery = std::move(opener); }

    // `按钮1` clicked: the first byte of the box's text must be "1" to "9".
    void enter();

protected:
    // Refused while the gallery is open: the window stays, disabled, until the gallery closes.
    void closeEvent(QCloseEvent* event) override;

private:
    void openGalleryWindow();

    ClearingLineEdit* m_qqBox = nullptr;
    QPushButton* m_enterButton = nullptr;
    std::function<void()> m_openGallery;
};

}  // namespace quelvo::app
