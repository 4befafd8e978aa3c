// The document's `selection` for the bridge: a selection object whose `createRange` gives a text
// range with `htmlText`, `text` and `pasteHTML`, over the frame's own DOM selection.
//
// Runs in the isolated world before the bridge, which finds it as globalThis.__quelvoSelection.
(function installSelection(global) {
    'use strict';
    if (global.__quelvoSelection) return;

    const defineProperty = Object.defineProperty;
    const freeze = Object.freeze;

    function viewOf(doc) {
        return doc ? doc.defaultView : null;
    }

    // The DOM range of the document's selection, or null when nothing is selected.
    function selectedRange(doc) {
        const view = viewOf(doc);
        const selection = view ? view.getSelection() : null;
        if (!selection || selection.rangeCount === 0) return null;
        return selection.getRangeAt(0).cloneRange();
    }

    function isInline(view, el) {
        if (!el || el.nodeType !== 1) return false;
        const tag = el.tagName.toLowerCase();
        if (tag === 'body' || tag === 'html') return false;
        const display = view.getComputedStyle(el).display;
        return display === 'inline' || display === 'inline-block';
    }

    // A selection that covers all the text of an inline element holds that element itself, as the
    // text ranges of old did: selecting the word of <b>word</b> gives the bold markup too.
    function widenToWholeInlineElements(range) {
        if (range.collapsed) return range;
        const doc = range.startContainer.ownerDocument || range.startContainer;
        const view = viewOf(doc);
        const text = range.toString();
        let holder = range.commonAncestorContainer;
        if (holder.nodeType !== 1) holder = holder.parentNode;
        while (holder && isInline(view, holder) && holder.textContent === text) {
            range.selectNode(holder);
            holder = holder.parentNode;
        }
        return range;
    }

    function htmlOf(range) {
        const doc = range.startContainer.ownerDocument || range.startContainer;
        const box = doc.createElement('div');
        box.appendChild(range.cloneContents());
        return box.innerHTML;
    }

    // The markup as innerHTML parses it: scripts in it are inert, unlike those of a contextual
    // fragment, which run once inserted. The template's own document loads nothing either.
    function parsedLikeInnerHtml(range, html) {
        const doc = range.startContainer.ownerDocument || range.startContainer;
        const template = doc.createElement('template');
        template.innerHTML = html;
        return doc.importNode(template.content, true);
    }

    // The selected part of a text box's or text area's value; what is pasted goes in as text.
    class TextControlRange {
        constructor(control) {
            defineProperty(this, 'control', { value: control });
            defineProperty(this, 'start', { value: control.selectionStart });
            defineProperty(this, 'end', { value: control.selectionEnd });
        }

        get text() {
            return String(this.control.value).slice(this.start, this.end);
        }

        get htmlText() {
            return this.text;
        }

        pasteHTML(html) {
            this.control.setRangeText(String(html), this.start, this.end, 'end');
        }
    }

    // The focused text box or text area of the document, when it has a selection or caret.
    function focusedTextControl(doc) {
        const el = doc.activeElement;
        if (!el || el.nodeType !== 1) return null;
        const tag = el.tagName.toLowerCase();
        if (tag !== 'input' && tag !== 'textarea') return null;
        let start = null;
        try {
            start = el.selectionStart;  // throws or is null where the type has no selection
        } catch (e) {
            return null;
        }
        return typeof start === 'number' ? el : null;
    }

    class TextRange {
        constructor(range) {
            const whole = range ? widenToWholeInlineElements(range) : null;
            defineProperty(this, 'range', { value: whole });
        }

        get htmlText() {
            return this.range ? htmlOf(this.range) : '';
        }

        get text() {
            return this.range ? this.range.toString() : '';
        }

        // Replaces the range's content with the markup; a range of nothing changes nothing.
        pasteHTML(html) {
            const range = this.range;
            if (!range) return;
            const fragment = parsedLikeInnerHtml(range, String(html));
            const last = fragment.lastChild;
            range.deleteContents();
            range.insertNode(fragment);
            if (last) {
                range.setStartAfter(last);
                range.collapse(true);
            }
        }
    }

    class Selection {
        constructor(doc) {
            defineProperty(this, 'doc', { value: doc });
        }

        get type() {
            const range = selectedRange(this.doc);
            return range && !range.collapsed ? 'Text' : 'None';
        }

        createRange() {
            const control = focusedTextControl(this.doc);
            if (control) return new TextControlRange(control);
            return new TextRange(selectedRange(this.doc));
        }

        empty() {
            const view = viewOf(this.doc);
            if (view) view.getSelection().removeAllRanges();
        }
    }

    const api = freeze({
        of(doc) {
            return doc && doc.nodeType === 9 ? new Selection(doc) : null;
        },
    });
    defineProperty(global, '__quelvoSelection', { value: api, enumerable: false });
})(window);
