// Picture box: tells the kind from the first bytes, decodes, and paints the picture or its frames.
#include "platform/widgets/picturebox.h"

#include <QBuffer>
#include <QImageReader>
#include <QMovie>
#include <QPainter>

#include <string_view>

#include "platform/widgets/pcx.h"

namespace quelvo {

namespace {

// The image format named by the first bytes, empty for bytes of any other kind.
std::string_view formatOf(std::string_view b) {
    auto starts = [b](std::string_view magic) { return b.substr(0, magic.size()) == magic; };
    using namespace std::string_view_literals;
    if (starts("\xFF\xD8\xFF"sv))
        return "jpeg";
    if (starts("BM"sv))
        return "bmp";
    if (starts("\x00\x00\x01\x00"sv))
        return "ico";
    if (starts("\x00\x00\x02\x00"sv))
        return "cur";
    if (starts("GIF87a"sv) || starts("GIF89a"sv))
        return "gif";
    if (starts("\x89PNG\r\n\x1A\n"sv))
        return "png";
    if (looksLikePcx(b))
        return "pcx";
    return {};
}

// Reads with the plugin of the kind the first bytes named and no other.
QImage readWith(const std::string& bytes, std::string_view format) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QByteArray(format.data(), static_cast<qsizetype>(format.size())));
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setBorder(Border::None);
}

PictureBox::~PictureBox() = default;

void PictureBox::setPictureBytes(std::string bytes) {
    m_bytes = std::move(bytes);
    clearPicture();
    const std::string_view format = formatOf(m_bytes);
    if (format == "gif") {
        showGif();
    } else if (format == "pcx") {
        m_image = decodePcx(m_bytes);
    } else if (!format.empty()) {
        m_image = readWith(m_bytes, format);
    }
    update();
}

void PictureBox::showGif() {
    // The first frame must decode before the movie is trusted with the rest.
    if (readWith(m_bytes, "gif").isNull())
        return;
    m_movieBuffer = new QBuffer(this);
    m_movieBuffer->setData(m_bytes.data(), static_cast<qsizetype>(m_bytes.size()));
    m_movieBuffer->open(QIODevice::ReadOnly);
    m_movie = new QMovie(m_movieBuffer, "gif", this);
    connect(m_movie, &QMovie::frameChanged, this, [this] { update(); });
    m_movie->start();
    if (m_movie->currentImage().isNull())
        clearPicture();
}

void PictureBox::clearPicture() {
    m_image = QImage();
    // The movie reads from the buffer, so it goes first.
    delete m_movie;
    m_movie = nullptr;
    delete m_movieBuffer;
    m_movieBuffer = nullptr;
}

bool PictureBox::hasPicture() const {
    return !m_image.isNull() || m_movie;
}

void PictureBox::setBorder(Border border) {
    m_border = border;
    if (border == Border::SingleLine) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
    update();
}

void PictureBox::setStretch(bool stretch) {
    m_stretch = stretch;
    update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QImage& picture = m_movie ? m_movie->currentImage() : m_image;
    if (picture.isNull())
        return;
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setClipRect(area);
    if (m_stretch) {
        painter.drawImage(area, picture);
    } else {
        painter.drawImage(area.topLeft(), picture);
    }
}

}  // namespace quelvo
