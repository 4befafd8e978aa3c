// Picture box: shows JPEG, BMP, icon, cursor, GIF, PCX and PNG bytes and keeps them as given.
#pragma once

#include <QFrame>
#include <QImage>

#include <string>

class QBuffer;
class QMovie;

namespace quelvo {

class PictureBox : public QFrame {
    Q_OBJECT

public:
    enum class Border { None, SingleLine };

    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    // Keeps a copy of exactly these bytes and shows them when their first bytes name a kind the
    // box knows and they decode; otherwise shows nothing. An animated GIF plays.
    void setPictureBytes(std::string bytes);
    const std::string& pictureBytes() const { return m_bytes; }
    // Whether a picture is shown.
    bool hasPicture() const;

    void setBorder(Border border);
    Border border() const { return m_border; }
    // Stretched (the default) fills the box; otherwise the picture is drawn at its own size.
    void setStretch(bool stretch);
    bool stretch() const { return m_stretch; }

    // The GIF being played, null when the picture is not a GIF.
    const QMovie* movie() const { return m_movie; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void clearPicture();
    void showGif();

    std::string m_bytes;
    QImage m_image;
    QBuffer* m_movieBuffer = nullptr;
    QMovie* m_movie = nullptr;
    Border m_border = Border::None;
    bool m_stretch = true;
};

}  // namespace quelvo
