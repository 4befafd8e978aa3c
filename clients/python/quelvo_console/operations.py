"""The console's operations, one table: owner -> operation -> parameters.

Parameters ending in "?" are optional. An entry's result kind "ref" turns a null answer into
the empty reference. The methods of Console and of the companion classes are made from this.
"""

_REF = "ref"

TABLE = {
    "Console": {
        # The console's own operations.
        "load": ("address",),
        "wait": ("ms",),
        "browserWindow": (),
        "release": ("item",),
        "quit": (),
        # Binding, fields, dialogs, windows and clicks.
        "Bind": ("document?", "window?"),
        "DocumentFromWindow": ("window", "target"),
        "FindBrowserWindow": ("window",),
        "GetPageText": ("what",),
        "GetWindowClassName": ("window",),
        "GetWindowDocument": ("window", _REF),
        "ClickLink": ("key", "mode", "exact?"),
        "ClickButton": ("key", "mode", "exact?"),
        "SetFieldValue": ("key", "mode", "value"),
        "GetFieldValue": ("key", "mode"),
        "SilenceDialogs": (),
        "FindAllBrowserWindows": ("window", "handles?"),
        "OpenInShell": ("target",),
        "GetElement": ("key", "mode", _REF),
        # Selections, lookups, content, frames, editing, forms, popups, inspector.
        "GetSelectedText": ("format?",),
        "ReplaceSelection": ("html",),
        "GetRadioGroup": ("name",),
        "GetCheckboxGroup": ("name",),
        "GetSelectBox": ("key", "mode"),
        "ElementAtPoint": ("x", "y", _REF),
        "GetElementsByTag": ("tagName", _REF),
        "GetInnerHtml": ("element",),
        "GetInnerText": ("element",),
        "GetOuterHtml": ("element",),
        "GetOuterText": ("element",),
        "FrameCount": (),
        "GetFrame": ("key", "mode", _REF),
        "GetFrameElement": ("key", "mode", _REF),
        "Navigate": ("address",),
        "WriteDocument": ("html",),
        "RunScript": ("script", "language?"),
        "FireElementEvent": ("element", "eventName"),
        "SetInnerHtml": ("element", "text"),
        "SetInnerText": ("element", "text"),
        "SetOuterHtml": ("element", "text"),
        "SetOuterText": ("element", "text"),
        "FocusElement": ("element",),
        "SetElementVisible": ("element", "show"),
        "GetDocumentProperty": ("member", "argument"),
        "GetForm": ("key", "mode", _REF),
        "SubmitForm": ("key", "mode"),
        "ShowPopup": ("x", "y", "width", "height", "content", "backgroundColour?",
                      "borderWidth?", "borderColour?", "anchor?", _REF),
        "HidePopup": ("popup",),
        "ColorToHtml": ("colour",),
        "InspectPage": ("window",),
    },
    "RadioGroup": {
        "Clone": (),
        "Attach": ("collection",),
        "Count": (),
        "IsChecked": ("position",),
        "Check": ("position",),
        "Uncheck": ("position",),
        "GetValue": ("position",),
    },
    "SelectBox": {
        "Clone": (),
        "Attach": ("element",),
        "Count": (),
        "GetOptionText": ("position",),
        "SetOptionText": ("position", "text"),
        "GetOptionValue": ("position",),
        "SetOptionValue": ("position", "value"),
        "GetSelectedIndex": (),
        "SetSelectedIndex": ("position",),
    },
}
TABLE["CheckboxGroup"] = TABLE["RadioGroup"]
