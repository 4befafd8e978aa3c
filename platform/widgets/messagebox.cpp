// Message boxes: OK button only, no icon, modal.
#include "platform/widgets/messagebox.h"

#include <QMessageBox>

#include "platform/widgets/qttext.h"

namespace quelvo::widgets {

void messageBox(const Text& message, QWidget* parent) {
    messageBox(message, Text::fromUtf8(kMessageTitle), parent);
}

void messageBox(const Text& message, const Text& title, QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, toQString(title), toQString(message), QMessageBox::Ok,
                    parent);
    // Texts may carry what a page or a site sent: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace quelvo::widgets
