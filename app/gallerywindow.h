// The gallery window: pages through the skin site's template previews and starts the making
// window on the chosen template.
#pragma once

#include <QWidget>

#include "common/text.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace quelvo {
class PictureBox;
}

namespace quelvo::app {

class GalleryWindow : public QWidget {
    Q_OBJECT
public:
    // Client size; with the frame the window is about 640 × 545.
    static constexpr int kClientWidth = 634;
    static constexpr int kClientHeight = 516;
    static constexpr int kTemplateCount = 48;

    // Builds the window from its layout and shows template 48: the preview is fetched here,
    // before the window is first shown.
    explicit GalleryWindow(QWidget* parent = nullptr);
    ~GalleryWindow() override;

    // Loads a new gallery window as the main window's modal step: `owner` is disabled until the
    // gallery closes, while other windows (the making window) stay usable. Returns once the
    // gallery has been closed, or when the program quits.
    static void openModal(QWidget* owner);

    PictureBox* pictureBox() const { return m_picture; }
    QLineEdit* numberBox() const { return m_numberBox; }
    QPushButton* previousButton() const { return m_previousButton; }
    QPushButton* nextButton() const { return m_nextButton; }
    QPushButton* startButton() const { return m_startButton; }

    // The number text exactly as `编辑框1` holds it.
    Text numberText() const;

    // `按钮2` "上一张", `按钮1` "下一张", `按钮3` "开始制作".
    void showPrevious();
    void showNext();
    void startMaking();

signals:
    // The user closed the window (the close was accepted).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Fetches the preview of the number the box holds now and shows it.
    void showPreview();

    PictureBox* m_picture = nullptr;
    QLabel* m_before = nullptr;
    QLineEdit* m_numberBox = nullptr;
    QLabel* m_after = nullptr;
    QPushButton* m_previousButton = nullptr;
    QPushButton* m_nextButton = nullptr;
    QPushButton* m_startButton = nullptr;
};

}  // namespace quelvo::app
