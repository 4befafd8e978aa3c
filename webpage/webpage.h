// WebPage: automation of one embedded browser's document through the late-bound document interface.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "common/text.h"
#include "platform/dom/value.h"
#include "platform/windows/windows.h"

namespace quelvo {

class RadioGroup;
class CheckboxGroup;
class SelectBox;

using win::HWND;

// The operations stand in a fixed order, lifetime first; an omitted optional argument differs from
// an empty one.
class WebPage {
public:
    WebPage() = default;
    virtual ~WebPage() = default;
    WebPage(const WebPage&) = delete;
    WebPage& operator=(const WebPage&) = delete;

    virtual void Destroy();
    virtual std::unique_ptr<WebPage> Clone() const;

    // Binding and page text.
    virtual bool Bind(const std::optional<dom::Ref>& document, std::optional<HWND> window);
    virtual bool DocumentFromWindow(HWND window, dom::Ref& target);
    virtual HWND FindBrowserWindow(HWND window);
    virtual Text GetPageText(const Text& what);

    // Clicking links and buttons: mode 0 id, 1 name, 2 position, 3 text, 4 address.
    virtual bool ClickLink(const Text& key, int mode, std::optional<bool> exact = std::nullopt);
    virtual bool ClickButton(const Text& key, int mode, std::optional<bool> exact = std::nullopt);

    // Field values, page dialogs and external open.
    virtual bool SetFieldValue(const Text& key, int mode, const Text& value);
    virtual Text GetFieldValue(const Text& key, int mode);
    virtual void SilenceDialogs();
    virtual bool FindAllBrowserWindows(HWND window, std::vector<HWND>& handles);
    virtual void OpenInShell(const Text& target);

    // Selections and element lookup.
    virtual Text GetSelectedText(std::optional<int> format = std::nullopt);
    virtual void ReplaceSelection(const Text& html);
    virtual std::unique_ptr<RadioGroup> GetRadioGroup(const Text& name);
    virtual std::unique_ptr<CheckboxGroup> GetCheckboxGroup(const Text& name);
    virtual std::unique_ptr<SelectBox> GetSelectBox(const Text& key, int mode);
    virtual dom::Ref GetElement(const Text& key, int mode);
    virtual dom::Ref ElementAtPoint(int x, int y);

    // Element content and frames.
    virtual Text GetInnerHtml(const dom::Ref& element);
    virtual Text GetInnerText(const dom::Ref& element);
    virtual Text GetOuterHtml(const dom::Ref& element);
    virtual Text GetOuterText(const dom::Ref& element);
    virtual int FrameCount();
    virtual dom::Ref GetFrame(const Text& key, int mode);
    virtual dom::Ref GetFrameElement(const Text& key, int mode);
    virtual void Navigate(const Text& address);
    virtual void WriteDocument(const Text& html);
    virtual void RunScript(const Text& script, const std::optional<Text>& language = std::nullopt);
    virtual bool FireElementEvent(const dom::Ref& element, const Text& eventName);

    // Element editing, visibility and forms.
    virtual bool SetInnerHtml(const dom::Ref& element, const Text& text);
    virtual bool SetInnerText(const dom::Ref& element, const Text& text);
    virtual bool SetOuterHtml(const dom::Ref& element, const Text& text);
    virtual bool SetOuterText(const dom::Ref& element, const Text& text);
    virtual void FocusElement(const dom::Ref& element);
    virtual bool SetElementVisible(const dom::Ref& element, bool show);
    virtual Text GetDocumentProperty(const Text& member, const Text& argument);
    virtual dom::Ref GetForm(const Text& key, int mode);
    virtual bool SubmitForm(const Text& key, int mode);

    // Popup box.
    virtual dom::Ref ShowPopup(int x, int y, int width, int height, const Text& content,
                               std::optional<std::int32_t> backgroundColour = std::nullopt,
                               std::optional<std::int32_t> borderWidth = std::nullopt,
                               std::optional<std::int32_t> borderColour = std::nullopt,
                               const std::optional<dom::Ref>& anchor = std::nullopt);
    virtual void HidePopup(const dom::Ref& popup);
    virtual Text ColorToHtml(std::int32_t colour);

    virtual dom::Ref GetElementsByTag(const Text& tagName);
    virtual void InspectPage(HWND window);

    dom::Ref boundDocument;
};

// Module routines that belong to no object.
Text GetWindowClassName(HWND window);
dom::Ref GetWindowDocument(HWND window);

}  // namespace quelvo
