// WebPage: automation of one embedded browser's document through the late-bound document interface.
#pragma once

#include <memory>

#include "platform/dom/value.h"

namespace quelvo {

class WebPage {
public:
    WebPage() = default;
    virtual ~WebPage() = default;
    WebPage(const WebPage&) = delete;
    WebPage& operator=(const WebPage&) = delete;

    virtual void Destroy();
    virtual std::unique_ptr<WebPage> Clone() const;

    dom::Ref boundDocument;
};

}  // namespace quelvo
