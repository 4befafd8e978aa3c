// Quelvo's page bridge: runs in an isolated world of every frame and answers the native side's
// batched get / put / call / release requests on a table of page objects.
//
// The isolated world has its own globals and its own DOM prototypes, so nothing a page script
// replaces (JSON, Array.prototype, Object.prototype, element methods) reaches this code.
(function installBridge(global) {
    'use strict';
    if (global.__quelvoBridge) return;

    const objects = new Map();
    const getPrototypeOf = Object.getPrototypeOf;
    const getOwnPropertyNames = Object.getOwnPropertyNames;
    const getOwnPropertyDescriptor = Object.getOwnPropertyDescriptor;

    const isObject = (v) => (typeof v === 'object' && v !== null) || typeof v === 'function';
    const lower = (s) => String(s).toLowerCase();

    // ---- Members the browser lacks or names differently. Entries: {get[, set]} or {method}. ----

    const scriptLanguages = {
        javascript: 'js', jscript: 'js', ecmascript: 'js', vbscript: 'vbs', vbs: 'vbs',
    };

    function runInMainWorld(win, source) {
        const doc = win.document;
        const script = doc.createElement('script');
        script.text = source;
        (doc.head || doc.documentElement || doc).appendChild(script);
        script.remove();
    }

    function execScript(win, code, language) {
        const kind = scriptLanguages[lower(language === undefined ? 'JScript' : language)];
        if (kind === 'js') {
            runInMainWorld(win, String(code));
        } else if (kind === 'vbs') {
            const translator = global.__quelvoVbs;
            if (!translator) throw new Error('VBScript is not available');
            const result = translator.translate(String(code));
            if (!result || !result.ok) {
                // Nothing of a script that does not translate runs; the reason goes to the log.
                const reason = result ? result.error : 'translation failed';
                console.warn('VBScript not run: ' + reason);
                throw new Error(reason);
            }
            runInMainWorld(win, result.js);
        } else {
            throw new Error('unknown script language');
        }
    }

    function firstOf(collection) {
        return collection.length > 0 ? collection[0] : null;
    }

    function itemOf(collection, args) {
        if (args.length === 0) return firstOf(collection);
        const key = args[0];
        if (typeof key === 'number') return collection.item ? collection.item(key) : collection[key];
        if (typeof collection.namedItem === 'function') return collection.namedItem(String(key));
        return collection[key] === undefined ? null : collection[key];
    }

    function tagsOf(collection, name) {
        const wanted = lower(name);
        const found = [];
        // Our own element lists answer only through `item`, the browser's collections both ways.
        const at = typeof collection.item === 'function'
            ? (i) => collection.item(i)
            : (i) => collection[i];
        for (let i = 0; i < collection.length; i++) {
            const el = at(i);
            if (el && el.tagName && lower(el.tagName) === wanted) found.push(el);
        }
        return new ElementList(found);
    }

    // A static list of elements with the collection members the native side uses.
    class ElementList {
        constructor(items) { this.items = items; }
        get length() { return this.items.length; }
        item(index) {
            if (index === undefined) return this.items.length ? this.items[0] : null;
            const el = this.items[index];
            return el === undefined ? null : el;
        }
        tags(name) { return tagsOf(this.items, name); }
    }

    function frameIdOf(win) {
        const holder = win.frameElement;
        return holder ? holder.id : '';
    }

    // Only on… names are events: "click" or "" fire nothing.
    const isEventName = (name) => typeof name === 'string' && /^on./i.test(name);

    function fireEvent(el, name) {
        if (!isEventName(name)) return false;
        const type = lower(name).slice(2);
        const mouse = /^(click|dblclick|mouse|contextmenu)/.test(type);
        const view = el.ownerDocument ? el.ownerDocument.defaultView : null;
        const event = mouse
            ? new view.MouseEvent(type, { bubbles: true, cancelable: true, view })
            : new view.Event(type, { bubbles: true, cancelable: true });
        return el.dispatchEvent(event);
    }

    const windowShims = {
        execscript: { method: (win, args) => { execScript(win, args[0], args[1]); return undefined; } },
        navigate: { method: (win, args) => { win.location.href = String(args[0]); return undefined; } },
        id: { get: (win) => frameIdOf(win) },
        item: { method: (win, args) => frameItem(win, args) },
        createpopup: { method: (win) => (global.__quelvoPopup ? global.__quelvoPopup.create(win) : null) },
    };
    const documentShims = {
        parentwindow: { get: (doc) => doc.defaultView },
        frames: { get: (doc) => doc.defaultView },
        selection: { get: (doc) => (global.__quelvoSelection ? global.__quelvoSelection.of(doc) : null) },
        all: { get: (doc) => new ElementList(Array.from(doc.getElementsByTagName('*'))) },
    };
    // A text area shows its value, not its children: its text is the value, as old browsers had
    // it, where Chromium's innerText of a text area reads empty.
    // The length check first spares most elements the tag name's lowered copy.
    const isTextArea = (el) => String(el.localName).length === 8 && lower(el.tagName) === 'textarea';
    function innerTextOf(el) {
        return isTextArea(el) ? el.value : el.innerText;
    }
    function setInnerText(el, value) {
        if (isTextArea(el)) {
            el.textContent = String(value);
            el.value = String(value);
        } else {
            el.innerText = value;
        }
    }

    function outerTextOf(el) {
        return isTextArea(el) ? el.value : el.outerText;
    }

    // A member's value as it stands: a method is handed over, never called.
    function memberValue(el, name) {
        const m = resolve(el, String(name));
        if (!m || m.kind === 'shim') return FAIL;
        return el[m.name];
    }

    const elementShims = {
        all: { get: (el) => new ElementList(Array.from(el.getElementsByTagName('*'))) },
        fireevent: { method: (el, args) => fireEvent(el, args[0]) },
        innertext: { get: innerTextOf, set: setInnerText },
        outertext: { get: outerTextOf, set: (el, value) => { el.outerText = value; } },
        __quelvomember: { method: (el, args) => memberValue(el, args[0]) },
    };
    const collectionShims = {
        item: { method: (c, args) => itemOf(c, args) },
        tags: { method: (c, args) => tagsOf(c, args[0]) },
    };

    // ---- Rows of member texts, a chunk at a time: walks decide on the native side. ----

    // A window's frames by index. Its globals are no way in: an element with the id "item" or
    // "namedItem" is a global of that name and would stand in for the collection's methods.
    function frameItem(win, args) {
        if (args.length === 0) return win.length > 0 ? win[0] : null;
        const key = args[0];
        if (typeof key === 'number') {
            const frame = key >= 0 && key < win.length ? win[key] : undefined;
            return frame === undefined ? null : frame;
        }
        for (let i = 0; i < win.length; i++) {
            try {
                if (win[i].name === String(key)) return win[i];
            } catch (e) { /* a frame of another origin keeps its name */ }
        }
        return null;
    }

    function itemAccess(collection) {
        if (kindOf(collection) === 'window') return (i) => collection[i];
        if (typeof collection.item === 'function') return (i) => collection.item(i);
        return (i) => collection[i];
    }

    // One value of a row, ending in "\u0001" and a tag: s text, f a failed or empty read, n a
    // number in the page's own spelling (the native side makes it text as a single read would).
    // A "\u0001" inside a text is doubled.
    function rowValue(obj, name, planned) {
        let value = FAIL;
        try {
            if (!isObject(obj)) value = FAIL;
            else if (planned && (planned.kind === 'shim' || !hasOwn.call(obj, planned.name)))
                value = getResolved(obj, planned, []);
            else value = doGet(obj, name, []);
        } catch (e) {
            value = FAIL;
        }
        if (typeof value === 'string') {
            const text = value.indexOf('\u0001') < 0 ? value : value.replace(/\u0001/g, '\u0001\u0001');
            return text + '\u0001s';
        }
        if (typeof value === 'boolean') return (value ? '-1' : '0') + '\u0001s';
        if (typeof value === 'bigint') value = Number(value);
        if (typeof value === 'number') {
            if (!Number.isFinite(value)) return '0\u0001n';
            return (Object.is(value, -0) ? '-0' : String(value)) + '\u0001n';
        }
        return '\u0001f';
    }

    // How each member is reached on the elements of one prototype, looked up once for all of
    // them: a shim, or where the chain holds the exact name. A member left null, an item that is
    // not an element, or an element with an own member of that name is looked up item by item.
    function rowPlan(plans, el, members) {
        let proto = null;
        try { proto = getPrototypeOf(el); } catch (e) { return null; }
        let plan = plans.get(proto);
        if (plan !== undefined) return plan;
        plan = null;
        if (proto !== null && kindOf(el) === 'element') {
            plan = members.map((name) => {
                const key = lower(name);
                if (hasOwn.call(elementShims, key)) return { kind: 'shim', shim: elementShims[key], name };
                const found = findOnChain(proto, name);
                return found ? { kind: found.method ? 'method' : 'property', name: found.name } : null;
            });
        }
        plans.set(proto, plan);
        return plan;
    }

    // rows(start, end, members...): the collection's length first, then the members of items
    // start to end (end < 0: to the last), stopping early once the answer passes rowBudget
    // characters; at least one row is given whenever one is left.
    const rowBudget = 1 << 20;
    function rowsOf(collection, args) {
        const n = collection.length >>> 0;
        const start = Math.max(0, Math.trunc(Number(args[0]) || 0));
        const wantedEnd = Number(args[1]);
        const end = wantedEnd >= 0 ? Math.min(n, Math.trunc(wantedEnd)) : n;
        const members = [];
        for (let m = 2; m < args.length; m++) members.push(String(args[m]));
        const at = itemAccess(collection);
        const out = [String(n) + '\u0001s'];
        const plans = new Map();
        let size = 0;
        for (let i = start; i < end && (i === start || size < rowBudget); i++) {
            let el = null;
            try { el = at(i); } catch (e) { el = null; }
            const plan = isObject(el) ? rowPlan(plans, el, members) : null;
            for (let m = 0; m < members.length; m++) {
                const value = rowValue(el, members[m], plan && plan[m]);
                size += value.length;
                out.push(value);
            }
        }
        return out.join('');
    }
    collectionShims.__quelvorows = { method: rowsOf };
    windowShims.__quelvorows = { method: rowsOf };

    const objectToString = Object.prototype.toString;
    const hasOwn = Object.prototype.hasOwnProperty;
    const collectionTags = new Set([
        'HTMLCollection', 'NodeList', 'HTMLFormControlsCollection', 'HTMLOptionsCollection',
        'HTMLAllCollection', 'RadioNodeList',
    ]);

    // What kind of object this is, told without touching its members: a collection's named
    // lookup would scan its elements for every name asked.
    function kindOf(obj) {
        if (obj instanceof ElementList) return 'collection';
        let tag = '';
        try { tag = objectToString.call(obj).slice(8, -1); } catch (e) { tag = ''; }
        if (tag === 'Window') return 'window';
        if (collectionTags.has(tag)) return 'collection';
        if (tag.endsWith('Document')) return 'document';
        if (tag.endsWith('Element')) return 'element';
        try {
            if (obj.window === obj) return 'window';  // a window of another origin
        } catch (e) { /* not reachable */ }
        return 'other';
    }

    const shimTables = {
        window: windowShims, document: documentShims, element: elementShims,
        collection: collectionShims,
    };

    // ---- Case-insensitive member lookup. ----

    // Members found on a prototype, per prototype: name -> {name, method} (null: not there).
    const exactCache = new WeakMap();
    const lowerCache = new WeakMap();  // prototype -> Map(lowercased name -> real name)

    function describe(p, name) {
        const d = getOwnPropertyDescriptor(p, name);
        if (!d) return null;
        return { name, method: 'value' in d && typeof d.value === 'function' };
    }

    // Walks the prototype chain from `proto` for the exact name, remembering the answer.
    function findOnChain(proto, name) {
        if (proto === null) return null;
        let names = exactCache.get(proto);
        if (!names) {
            names = new Map();
            exactCache.set(proto, names);
        }
        if (names.has(name)) return names.get(name);
        const found = describe(proto, name) || findOnChain(getPrototypeOf(proto), name);
        names.set(name, found);
        return found;
    }

    function lowerNames(p, cacheable) {
        let names = cacheable ? lowerCache.get(p) : undefined;
        if (!names) {
            names = new Map();
            const own = getOwnPropertyNames(p);
            for (let i = 0; i < own.length; i++) {
                const k = lower(own[i]);
                if (!names.has(k)) names.set(k, own[i]);
            }
            if (cacheable) lowerCache.set(p, names);
        }
        return names;
    }

    // Returns {kind: 'shim'|'method'|'property', name, shim} or null. Exact name first, then a
    // case-insensitive match along the chain.
    function resolve(obj, name) {
        const key = lower(name);
        const kind = kindOf(obj);
        const shims = shimTables[kind];
        if (shims && hasOwn.call(shims, key)) return { kind: 'shim', shim: shims[key], name };

        // A collection's own members are its items, which are reached through `item`.
        const ownToo = kind !== 'collection';
        let found = ownToo ? describe(obj, name) : null;
        if (!found) found = findOnChain(getPrototypeOf(obj), name);
        if (!found) {
            for (let p = ownToo ? obj : getPrototypeOf(obj); p !== null; p = getPrototypeOf(p)) {
                const real = lowerNames(p, p !== obj).get(key);
                if (real !== undefined) {
                    found = p === obj ? describe(obj, real) : findOnChain(p, real);
                    break;
                }
            }
        }
        if (!found) return null;
        return { kind: found.method ? 'method' : 'property', name: found.name };
    }

    // ---- Operations. Each returns a value or throws; the dispatcher turns throws into 'x'. ----

    const FAIL = { failed: true };

    function doGet(obj, name, args) {
        return getResolved(obj, resolve(obj, name), args);
    }

    function getResolved(obj, m, args) {
        if (!m) return FAIL;
        if (m.kind === 'shim') {
            if (m.shim.method) return m.shim.method(obj, args);
            if (args.length) return FAIL;
            return m.shim.get(obj);
        }
        if (m.kind === 'method') return obj[m.name].apply(obj, args);
        if (args.length) return FAIL;
        return obj[m.name];
    }

    function doPut(obj, name, value) {
        const m = resolve(obj, name);
        if (m && m.kind === 'shim') {
            if (m.shim.set) {
                m.shim.set(obj, value);
                return true;
            }
            if (!m.shim.method) return false;
            m.shim.method(obj, [value]);
            return true;
        }
        if (m && m.kind === 'method') {
            obj[m.name](value);
            return true;
        }
        // A member the object lacks is not made up: the write fails.
        if (!m) return false;
        obj[m.name] = value;  // strict mode: a read-only member throws
        return true;
    }

    function doCall(obj, name, args) {
        const m = resolve(obj, name);
        if (!m) return FAIL;
        if (m.kind === 'shim') return m.shim.method ? m.shim.method(obj, args) : m.shim.get(obj);
        if (m.kind === 'method') return obj[m.name].apply(obj, args);
        return obj[m.name];
    }

    // ---- Envelope. ----

    function decodeArg(a) {
        if (isObject(a)) {
            if ('r' in a) return objects.has(a.r) ? objects.get(a.r) : undefined;
            return undefined;
        }
        return a;
    }

    function encode(value, rid) {
        if (value === FAIL) return ['x'];
        if (value === undefined) return ['u'];
        if (value === null) return ['n'];
        switch (typeof value) {
            case 'boolean': return ['b', value];
            case 'number': return Number.isFinite(value) ? ['d', value] : ['d', 0];
            case 'string': return ['s', value];
            case 'bigint': return ['d', Number(value)];
            case 'symbol': return ['x'];
            default:
                if (!rid) return ['x'];
                objects.set(rid, value);
                return ['o'];
        }
    }

    function runOne(op) {
        const kind = op[0];
        const rid = op[4];
        if (kind === 'd') return encode(global.document, rid);
        const target = objects.get(op[1]);
        if (target === undefined) return ['x'];
        const args = (op[3] || []).map(decodeArg);
        try {
            if (kind === 'g') return encode(doGet(target, String(op[2]), args), rid);
            if (kind === 'p') return ['b', doPut(target, String(op[2]), args[0])];
            if (kind === 'c') return encode(doCall(target, String(op[2]), args), rid);
        } catch (e) {
            return kind === 'p' ? ['b', false] : ['x'];
        }
        return ['x'];
    }

    // Releases come after the operations: an object released in this batch may still be the
    // target, or the product, of an operation queued before its release.
    function run(text) {
        const request = typeof text === 'string' ? JSON.parse(text) : text;
        const ops = request.o || [];
        const results = [];
        for (let i = 0; i < ops.length; i++) results.push(runOne(ops[i]));
        const released = request.r || [];
        for (let i = 0; i < released.length; i++) objects.delete(released[i]);
        const reply = capReply(request.s, results);
        // Popup boxes are drawn natively: their changes go in front of the reply, ended by a
        // U+0001, which JSON text never holds unescaped.
        const popups = global.__quelvoPopup ? global.__quelvoPopup.changes(objects) : '';
        return popups ? popups + '\u0001' + reply : reply;
    }

    // A reply never grows past the cap the native side accepts: texts too long for it fail,
    // longest first, before anything is serialised (serialising that much is slow in itself).
    const REPLY_CAP = 64 * 1024 * 1024;

    function capReply(seq, results) {
        const texts = [];
        let size = 0;
        for (let i = 0; i < results.length; i++) {
            if (results[i][0] !== 's') continue;
            texts.push(i);
            size += results[i][1].length;
        }
        if (size > REPLY_CAP) {
            texts.sort((a, b) => results[b][1].length - results[a][1].length);
            for (let k = 0; k < texts.length && size > REPLY_CAP; k++) {
                size -= results[texts[k]][1].length;
                results[texts[k]] = ['x'];
            }
        }
        const reply = JSON.stringify({ s: seq, v: results });
        if (reply.length <= REPLY_CAP) return reply;
        // Escapes made it too long after all: nothing of this batch travels.
        const failed = [];
        for (let i = 0; i < results.length; i++) failed.push(['x']);
        return JSON.stringify({ s: seq, v: failed });
    }

    Object.defineProperty(global, '__quelvoBridge', { value: { run }, enumerable: false });
})(window);
