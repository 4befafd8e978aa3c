// Quelvo's page bridge: runs in an isolated world of every frame and answers the native side's
// batched get / put / call / release requests on a table of page objects.
//
// The isolated world has its own globals and its own DOM prototypes, so nothing a page script
// replaces (JSON, Array.prototype, Object.prototype, element methods) reaches this code.
(function installBridge(global) {
    'use strict';
    if (global.__quelvoBridge) return;

    const objects = new Map();
    const lowerNameCache = new WeakMap();  // prototype -> Map(lowercased name -> real name)
    const getPrototypeOf = Object.getPrototypeOf;
    const getOwnPropertyNames = Object.getOwnPropertyNames;
    const getOwnPropertyDescriptor = Object.getOwnPropertyDescriptor;

    const isObject = (v) => (typeof v === 'object' && v !== null) || typeof v === 'function';
    const lower = (s) => String(s).toLowerCase();

    // ---- Members the browser lacks or names differently. Each entry: {get} or {method}. ----

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
            if (!result || !result.ok) throw new Error(result ? result.error : 'VBScript failed');
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
        for (let i = 0; i < collection.length; i++) {
            const el = collection[i];
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

    function fireEvent(el, name) {
        let type = lower(name);
        if (type.startsWith('on')) type = type.slice(2);
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
        item: { method: (win, args) => itemOf(win, args) },
        createpopup: { method: (win) => (global.__quelvoPopup ? global.__quelvoPopup.create(win) : null) },
    };
    const documentShims = {
        parentwindow: { get: (doc) => doc.defaultView },
        frames: { get: (doc) => doc.defaultView },
        selection: { get: (doc) => (global.__quelvoSelection ? global.__quelvoSelection.of(doc) : null) },
        all: { get: (doc) => new ElementList(Array.from(doc.getElementsByTagName('*'))) },
    };
    const elementShims = {
        all: { get: (el) => new ElementList(Array.from(el.getElementsByTagName('*'))) },
        fireevent: { method: (el, args) => fireEvent(el, args[0]) },
    };
    const collectionShims = {
        item: { method: (c, args) => itemOf(c, args) },
        tags: { method: (c, args) => tagsOf(c, args[0]) },
    };

    function shimsFor(obj) {
        const view = obj && obj.window === obj ? obj : null;
        if (view) return windowShims;
        if (typeof Document !== 'undefined' && obj instanceof obj.constructor && obj.nodeType === 9) {
            return documentShims;
        }
        if (obj.nodeType === 1) return elementShims;
        if (typeof obj.length === 'number' && typeof obj.item === 'function') return collectionShims;
        return null;
    }

    // ---- Case-insensitive member lookup. ----

    // Returns {kind: 'shim'|'method'|'property', name, shim} or null.
    function resolve(obj, name) {
        const key = lower(name);
        const shims = shimsFor(obj);
        if (shims && Object.prototype.hasOwnProperty.call(shims, key)) {
            return { kind: 'shim', shim: shims[key], name };
        }
        let real = null;
        if (name in obj) {
            real = name;
        } else {
            real = findCaseless(obj, key);
        }
        if (real === null) return null;
        return { kind: isMethod(obj, real) ? 'method' : 'property', name: real };
    }

    function findCaseless(obj, key) {
        for (let p = obj; p !== null; p = getPrototypeOf(p)) {
            let names = lowerNameCache.get(p);
            if (!names || p === obj) {
                names = new Map();
                const own = getOwnPropertyNames(p);
                for (let i = 0; i < own.length; i++) {
                    const k = lower(own[i]);
                    if (!names.has(k)) names.set(k, own[i]);
                }
                if (p !== obj) lowerNameCache.set(p, names);
            }
            const hit = names.get(key);
            if (hit !== undefined) return hit;
        }
        return null;
    }

    // A method is a function held in a data property; an accessor that yields a function (an
    // event handler) is a property.
    function isMethod(obj, name) {
        for (let p = obj; p !== null; p = getPrototypeOf(p)) {
            const d = getOwnPropertyDescriptor(p, name);
            if (d) return 'value' in d && typeof d.value === 'function';
        }
        return false;
    }

    // ---- Operations. Each returns a value or throws; the dispatcher turns throws into 'x'. ----

    const FAIL = { failed: true };

    function doGet(obj, name, args) {
        const m = resolve(obj, name);
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
            if (!m.shim.method) return false;
            m.shim.method(obj, [value]);
            return true;
        }
        if (m && m.kind === 'method') {
            obj[m.name](value);
            return true;
        }
        obj[m ? m.name : name] = value;  // strict mode: a read-only member throws
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
    function run(request) {
        const ops = request.o || [];
        const results = [];
        for (let i = 0; i < ops.length; i++) results.push(runOne(ops[i]));
        const released = request.r || [];
        for (let i = 0; i < released.length; i++) objects.delete(released[i]);
        return JSON.stringify({ s: request.s, v: results });
    }

    Object.defineProperty(global, '__quelvoBridge', { value: { run }, enumerable: false });
})(window);
