// Paints the template previews (cached) and the finished pictures, and encodes them as GIF.
// Safe to call from several server threads at once: it paints only on QImage.
#pragma once

#include <QString>

#include <array>
#include <memory>
#include <mutex>
#include <string>

#include "skinsite/fields.h"

namespace quelvo::skinsite {

struct MakeRequest;

class Renderer {
public:
    // `fontFamily` draws the texts; it should cover Chinese.
    explicit Renderer(QString fontFamily);

    // The preview GIF of template `number` (1..48), painted on first use and kept.
    std::shared_ptr<const std::string> preview(int number);

    // The finished GIF for a checked make request; empty when encoding failed.
    std::string finished(const MakeRequest& request) const;

    const QString& fontFamily() const { return m_fontFamily; }

private:
    struct Slot {
        std::mutex mutex;
        std::shared_ptr<const std::string> gif;
    };
    QString m_fontFamily;
    std::array<Slot, templateCount> m_previews;
};

// The family the site draws with: "Noto Sans CJK SC" when installed, else another family that
// covers Simplified Chinese, else the application font. Needs a QGuiApplication.
QString findChineseFontFamily();

}  // namespace quelvo::skinsite
