#include "webpage/webpage.h"

namespace quelvo {

void WebPage::Destroy() {
    boundDocument.reset();
}

std::unique_ptr<WebPage> WebPage::Clone() const {
    auto copy = std::make_unique<WebPage>();
    copy->boundDocument = boundDocument;
    return copy;
}

}  // namespace quelvo
