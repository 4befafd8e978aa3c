// The window's `createPopup` for the bridge: a frameless box with a document of its own, shown at
// a place of the viewport or of an anchor element, and hidden again.
//
// The box's document belongs to no page: it is a document of its own that no frame holds, so the
// page's frames, markup and elements never show it. The native side draws it in a window over the
// browser control from the changes the bridge hands back after each batch.
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
    const stringify = JSON.stringify;

    function whole(value) {
        const n = toNumber(value);
        return isFinite(n) ? trunc(n) : 0;
    }

    // Old popups took colours without "#" ("solid C0C0C0 1px"); a standards-mode document takes
    // them in no property. The box's body style takes them everywhere: a bare group of 3 or 6 hex
    // digits gets its "#".
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

    function makeDocument(win) {
        const doc = win.document.implementation.createHTMLDocument('');
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

    // Where a point of a frame's viewport lies in the top window's viewport.
    function offsetToTop(win) {
        let left = 0;
        let top = 0;
        for (let w = win; w && w.parent && w.parent !== w; w = w.parent) {
            const holder = w.frameElement;
            if (!holder) break;
            const box = holder.getBoundingClientRect();
            left += box.left + holder.clientLeft;
            top += box.top + holder.clientTop;
        }
        return { left, top };
    }

    const live = new Set();
    let nextId = 1;

    class Popup {
        constructor(win) {
            defineProperty(this, 'win', { value: win });
            defineProperty(this, 'id', { value: nextId++ });
            defineProperty(this, 'box', { value: makeDocument(win) });
            defineProperty(this, 'state', {
                value: { open: false, x: 0, y: 0, w: 0, h: 0, sent: '' },
            });
            live.add(this);
        }

        get document() {
            return this.box;
        }

        get isOpen() {
            return this.state.open;
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
            const frame = offsetToTop(this.win);
            const state = this.state;
            state.x = whole(left + frame.left);
            state.y = whole(top + frame.top);
            state.w = Math.max(0, whole(width));
            state.h = Math.max(0, whole(height));
            state.open = true;
        }

        hide() {
            this.state.open = false;
        }
    }

    // What changed since the last call, as a JSON list for the native side ('' when nothing did):
    // boxes shown, moved, refilled or hidden, and boxes no reference holds any more, which go.
    function changes(held) {
        if (live.size === 0) return '';
        const kept = new Set();
        held.forEach((value) => {
            if (value instanceof Popup) kept.add(value);
        });
        const out = [];
        live.forEach((popup) => {
            if (!kept.has(popup)) {
                live.delete(popup);
                out.push({ i: popup.id, gone: true });
                return;
            }
            const s = popup.state;
            const now = s.open
                ? { i: popup.id, open: true, x: s.x, y: s.y, w: s.w, h: s.h,
                    html: popup.box.documentElement.outerHTML }
                : { i: popup.id, open: false };
            const text = stringify(now);
            if (text !== s.sent) {
                s.sent = text;
                out.push(now);
            }
        });
        return out.length ? stringify(out) : '';
    }

    const api = freeze({
        create(win) {
            return win && win.document ? new Popup(win) : null;
        },
        changes,
    });
    defineProperty(global, '__quelvoPopup', { value: api, enumerable: false });
})(window);
