// The window's `createPopup` for the bridge: a frameless box over the page with a document of its
// own, shown at a place of the viewport or of an anchor element, and hidden again.
//
// Runs in the isolated world before the bridge; the bridge finds it as globalThis.__quelvoPopup.
(function installPopup(global) {
    'use strict';
    if (global.__quelvoPopup) return;

    const defineProperty = Object.defineProperty;
    const freeze = Object.freeze;
    const keys = Object.keys;
    const toNumber = Number;
    const isFinite = Number.isFinite;
    const trunc = Math.trunc;

    // Above anything a page is likely to stack.
    const topmost = '2147483647';

    function pixels(value) {
        const n = toNumber(value);
        return (isFinite(n) ? trunc(n) : 0) + 'px';
    }

    // Old popups took colours without "#" ("solid C0C0C0 1px"); Chromium's quirks mode takes them
    // in colour properties but not in shorthands such as border. The box's body style takes them
    // everywhere: a bare group of 3 or 6 hex digits gets its "#".
    const colourProperties = {
        border: 'border',
        borderColor: 'border-color',
        backgroundColor: 'background-color',
        background: 'background',
        color: 'color',
    };
    const bareHex = /(^|\s)([0-9a-f]{6}|[0-9a-f]{3})(?=\s|$)/gi;

    function takeBareHexColours(style) {
        const names = keys(colourProperties);
        for (let i = 0; i < names.length; i++) {
            const css = colourProperties[names[i]];
            defineProperty(style, names[i], {
                configurable: true,
                get: () => style.getPropertyValue(css),
                set: (value) => style.setProperty(css, String(value).replace(bareHex, '$1#$2')),
            });
        }
    }

    function makeFrame(doc) {
        const frame = doc.createElement('iframe');
        frame.setAttribute('frameborder', '0');
        frame.setAttribute('scrolling', 'no');
        frame.setAttribute('tabindex', '-1');
        frame.setAttribute('aria-hidden', 'true');
        const style = frame.style;
        style.setProperty('position', 'fixed', 'important');
        style.setProperty('display', 'none', 'important');
        style.setProperty('border', '0', 'important');
        style.setProperty('margin', '0', 'important');
        style.setProperty('padding', '0', 'important');
        style.setProperty('background', 'transparent', 'important');
        style.setProperty('z-index', topmost, 'important');
        (doc.body || doc.documentElement).appendChild(frame);
        return frame;
    }

    // The box's document: the empty document of a frame without an address, of the page's origin
    // and in quirks mode like the documents of old popups.
    function prepareDocument(frame) {
        const doc = frame.contentDocument;
        if (!doc) return null;
        if (!doc.body) {
            doc.open();
            doc.write('<html><head></head><body></body></html>');
            doc.close();
        }
        const root = doc.documentElement.style;
        root.margin = '0';
        root.height = '100%';
        root.overflow = 'hidden';
        const body = doc.body.style;
        body.margin = '0';
        body.height = '100%';
        body.boxSizing = 'border-box';
        body.overflow = 'hidden';
        takeBareHexColours(body);
        return doc;
    }

    class Popup {
        constructor(win) {
            const frame = makeFrame(win.document);
            defineProperty(this, 'frame', { value: frame });
            defineProperty(this, 'box', { value: prepareDocument(frame) });
        }

        get document() {
            return this.box;
        }

        get isOpen() {
            const shown = this.frame.style.getPropertyValue('display') !== 'none';
            return this.frame.isConnected && shown;
        }

        // x and y count from the viewport's corner, or from the anchor element's corner.
        show(x, y, width, height, anchor) {
            let left = toNumber(x);
            let top = toNumber(y);
            const anchored = anchor && typeof anchor.getBoundingClientRect === 'function';
            if (anchored && anchor.nodeType === 1) {
                const box = anchor.getBoundingClientRect();
                left += box.left;
                top += box.top;
            }
            const style = this.frame.style;
            style.setProperty('left', pixels(left), 'important');
            style.setProperty('top', pixels(top), 'important');
            style.setProperty('width', pixels(width), 'important');
            style.setProperty('height', pixels(height), 'important');
            style.setProperty('display', 'block', 'important');
        }

        hide() {
            this.frame.style.setProperty('display', 'none', 'important');
        }
    }

    const api = freeze({
        create(win) {
            return win && win.document ? new Popup(win) : null;
        },
    });
    defineProperty(global, '__quelvoPopup', { value: api, enumerable: false });
})(window);
