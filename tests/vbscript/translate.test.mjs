// Tests of the VBScript translator: scripts are translated in one context (the bridge's isolated
// world) and run in another that imitates a page window, then the page's state is checked.
import { test, describe } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import vm from 'node:vm';

const translatorSource = fs.readFileSync(
    new URL('../../platform/dom/js/vbscript.js', import.meta.url), 'utf8');

function loadTranslator() {
    const world = vm.createContext({});
    vm.runInContext(translatorSource, world, { filename: 'vbscript.js' });
    return world;
}

const isolated = loadTranslator();
const translate = (source) => isolated.__quelvoVbs.translate(source);

// Runs inside the page context: a window with a document, forms and elements whose members sit
// on prototypes (as DOM members do), and alert/confirm that record what they were shown.
function setupPage(global) {
    'use strict';
    const record = (list, v) => { list[list.length] = v; };
    class FakeElement {
        constructor(id, value) {
            this.id = id;
            this._value = value === undefined ? '' : value;
            this.clicks = 0;
        }
        get value() { return this._value; }
        set value(v) { this._value = String(v); }
        get onclick() { return this._onclick || null; }
        set onclick(fn) { this._onclick = fn; }
        click() { this.clicks++; }
    }
    class FakeCollection {
        constructor(items) {
            this._items = items;
            for (let i = 0; i < items.length; i++) this[i] = items[i];
        }
        get length() { return this._items.length; }
        item(i) { return this._items[i] === undefined ? null : this._items[i]; }
        namedItem(name) {
            for (let i = 0; i < this._items.length; i++) if (this._items[i].id === name) return this._items[i];
            return null;
        }
    }
    class FakeForm extends FakeElement {
        constructor(id, elements) {
            super(id);
            this._elements = elements;
            this.submitted = 0;
        }
        get elements() { return new FakeCollection(this._elements); }
        submit() { this.submitted++; }
    }
    class FakeDocument {
        constructor() {
            this._title = '';
            this.written = '';
            const name = new FakeElement('name', 'Ann');
            const age = new FakeElement('age', '42');
            this._byId = { name, age };
            this._forms = [new FakeForm('f1', [name, age])];
        }
        get title() { return this._title; }
        set title(v) { this._title = String(v); }
        get forms() { return new FakeCollection(this._forms); }
        getElementById(id) { return Object.prototype.hasOwnProperty.call(this._byId, id) ? this._byId[id] : null; }
        write(s) { this.written += s; }
    }
    const shown = { alerts: [], confirms: [] };
    // A browser window also has the interfaces, with the same names in capitals, not enumerable.
    for (const [name, ctor] of [['Document', FakeDocument], ['Window', function Window() {}]]) {
        Object.defineProperty(global, name, { value: ctor, writable: true, configurable: true, enumerable: false });
    }
    global.window = global;
    global.document = new FakeDocument();
    global.alert = (m) => record(shown.alerts, String(m));
    global.confirm = (m) => { record(shown.confirms, String(m)); return global.confirmAnswer; };
    global.confirmAnswer = true;
    global.shown = shown;
}

function makePage(before) {
    const ctx = vm.createContext({});
    vm.runInContext('(' + setupPage.toString() + ')(this);', ctx);
    if (before) vm.runInContext(before, ctx);
    return {
        run(source) {
            const result = translate(source);
            assert.equal(result.error, undefined, 'translation failed for:\n' + source);
            assert.equal(result.ok, true);
            vm.runInContext(result.js, ctx, { filename: 'translated.js' });
        },
        js: (code) => vm.runInContext(code, ctx),
    };
}

function runScripts(page, scripts) {
    for (const s of [].concat(scripts)) page.run(s);
}

describe('interface', () => {
    test('defines exactly one global and a translate that never throws', () => {
        const world = vm.createContext({});
        const before = new Set(vm.runInContext('Object.getOwnPropertyNames(globalThis)', world));
        vm.runInContext(translatorSource, world);
        const added = vm.runInContext('Object.getOwnPropertyNames(globalThis)', world).filter((n) => !before.has(n));
        assert.deepEqual(Array.from(added), ['__quelvoVbs']);

        const odd = [undefined, null, 42, {}, '('.repeat(100000) + '1', 'x = ' + '1 + '.repeat(50000) + '1',
                     '\u0000', 'x = "\u2028"', 'If', 'Sub', '_'];
        for (const input of odd) {
            const r = world.__quelvoVbs.translate(input);
            assert.equal(typeof r.ok, 'boolean');
            if (!r.ok) assert.match(r.error, /^line \d+: ./);
        }
    });

    test('installs one hidden run-time per window and reuses it', () => {
        const page = makePage();
        page.run('a = 1');
        page.run('b = 2');
        assert.equal(page.js('typeof __quelvoVbsRt'), 'object');
        assert.equal(page.js('Object.keys(window).includes("__quelvoVbsRt")'), false);
        assert.equal(page.js('a + b'), 3);
    });
});

// Scripts (run in order on one page) and the page state they must leave. The same tables run on a
// real page in the browser (vbscript_page_test.cpp): a case may run page code `before` the first
// script, `after` the scripts, and one more script `then`.
const readCases = (name) =>
    JSON.parse(fs.readFileSync(new URL('fixtures/' + name, import.meta.url), 'utf8'));
const stateCases = readCases('state_cases.json');
const tamperCases = readCases('tamper_cases.json');

function runCase(c) {
    const page = makePage(c.before);
    runScripts(page, c.vbs);
    if (c.after) page.js(c.after);
    if (c.then) page.run(c.then);
    for (const [expr, value] of Object.entries(c.expect)) {
        assert.deepEqual(page.js(expr), value, expr);
    }
}

describe('scripts leave the page in the expected state', () => {
    for (const c of stateCases) test(c.name, () => runCase(c));
});

// Expressions and the value VBScript gives them.
const valueCases = [
    ['7 \\ 2', 3], ['7 Mod 3', 1], ['2.5 \\ 1', 2], ['3.5 \\ 1', 4], ['-7 \\ 2', -3], ['-7 Mod 3', -1],
    ['5.5 Mod 2', 0], ['10 / 4', 2.5], ['-2 ^ 2', -4], ['2 ^ -1', 0.5], ['2 ^ 3 ^ 2', 64],
    ['2 + 3 * 4 ^ 2', 50], ['10 - 2 - 3', 5], ['-3 * -2', 6], ['"a" & 1 + 2', 'a3'],
    ['1 + 2 & 3 + 4', '37'], ['8 \\ 3 Mod 2', 0], ['7 Mod 4 \\ 2', 1],
    ['Not 0', -1], ['Not True', false], ['Not 1 = 2', true], ['6 And 3', 2], ['6 Or 3', 7],
    ['6 Xor 3', 5], ['True And 5', 5], ['True Or False And False', true], ['5 > 3 And 2 > 1', true],
    ['True + 1', 0], ['Null And False', false], ['IsNull(Null + 1)', true], ['IsNull(Null = 1)', true],
    ['1 + "2"', 3], ['"1" + "2"', '12'], ['"5" = 5', true], ['"abc" < "abd"', true],
    ['"B" < "a"', true], ['Empty = 0', true], ['Empty = ""', true], ['"x" & Null & Empty', 'x'],
    ['CStr(True)', 'True'], ['CStr(False)', 'False'], ['CStr(0.1 + 0.2)', '0.3'], ['CStr(1 / 3)', '0.333333333333333'],
    ['CStr(1E+20)', '1E+20'], ['CStr(0.00001)', '1E-05'], ['CStr(-2.5)', '-2.5'], ['"n=" & 12', 'n=12'],
    ['&HFF', 255], ['&HFFFF', -1], ['&H8000', -32768], ['&H10000', 65536], ['&HFFFF&', 65535], ['&O17', 15],
    ['.5 + 1', 1.5], ['1.5E2', 150],
    ['InStr("hello", "l")', 3], ['InStr(4, "hello", "l")', 4], ['InStr("hello", "z")', 0],
    ['InStr(1, "HeLLo", "ll", 1)', 3], ['InStr(1, "HeLLo", "ll")', 0], ['InStr("abc", "")', 1],
    ['InStr(9, "abc", "a")', 0], ['IsNull(InStr(Null, "a"))', true],
    ['Mid("abcdef", 2, 3)', 'bcd'], ['Mid("abcdef", 4)', 'def'], ['Mid("abc", 5)', ''],
    ['Left("abc", 2)', 'ab'], ['Left("abc", 10)', 'abc'], ['Right("abc", 2)', 'bc'], ['Right("abc", 9)', 'abc'],
    ['Len("hello")', 5], ['Len(123)', 3], ['Len(Empty)', 0], ['UCase("aBc")', 'ABC'], ['LCase("aBc")', 'abc'],
    ['Trim("  a b  ")', 'a b'], ['LTrim("  a ")', 'a '], ['RTrim("  a ")', '  a'], ['Trim(vbTab & "a")', '\ta'],
    ['CInt("3.5")', 4], ['CInt(2.5)', 2], ['CInt(-2.5)', -2], ['CInt(True)', -1], ['CLng(1.5)', 2],
    ['CLng("&H10")', 16], ['CDbl("1.25")', 1.25], ['CDbl(" -3e2 ")', -300], ['CBool("true")', true], ['CBool(0)', false],
    ['IsNumeric("12.5")', true], ['IsNumeric(" 3 ")', true], ['IsNumeric("1e3")', true], ['IsNumeric("&HFF")', true],
    ['IsNumeric("abc")', false], ['IsNumeric("")', false], ['IsNumeric("1.2.3")', false], ['IsNumeric(Empty)', true],
    ['IsNumeric(Null)', false], ['IsNumeric(True)', true],
    ['Chr(65)', 'A'], ['Chr(34)', '"'], ['Asc("A")', 65], ['Asc("abc")', 97],
    ['Replace("a-b-c", "-", "+")', 'a+b+c'], ['Replace("a-b-c", "-", "", 1, 1)', 'ab-c'],
    ['Replace("aXbxc", "x", "_", 1, -1, 1)', 'a_b_c'], ['Join(Split("a,b,c", ","), "|")', 'a|b|c'],
    ['UBound(Split("a b c"))', 2], ['UBound(Split(""))', -1],
    ['Round(2.5)', 2], ['Round(3.5)', 4], ['Round(3.14159, 2)', 3.14], ['Hex(255)', 'FF'], ['Hex(-1)', 'FFFF'],
    ['Space(3)', '   '], ['Abs(-3)', 3], ['Int(-2.5)', -3], ['Fix(-2.5)', -2],
    ['IsEmpty(Empty)', true], ['IsEmpty("")', false], ['IsArray(Split("a"))', true], ['IsObject(Document)', true],
    ['vbCrLf', '\r\n'], ['MsgBox("hi") = vbOK', true],
];

describe('expressions have VBScript values', () => {
    for (const [expr, value] of valueCases) {
        test(expr, () => {
            const page = makePage();
            page.run('r = ' + expr);
            assert.deepEqual(page.js('r'), value);
        });
    }

    test('Now is a date and time text', () => {
        const page = makePage();
        page.run('r = Now');
        assert.match(page.js('r'), /^\d{4}\/\d{1,2}\/\d{1,2} \d{1,2}:\d{2}:\d{2}$/);
    });
});

describe('MsgBox', () => {
    test('shows its text through the current alert, at call time', () => {
        const page = makePage();
        page.run('MsgBox "one"');
        page.js('window.alert = function () {}');
        page.run('MsgBox "two"');
        assert.deepEqual([...page.js('shown.alerts')], ['one']);
    });

    test('a page that silenced alert before the first script sees nothing', () => {
        const page = makePage('window.alert = function () {};');
        page.run('MsgBox "hidden"\nr = 1');
        assert.equal(page.js('shown.alerts.length'), 0);
        assert.equal(page.js('r'), 1);
    });

    test('a box with a choice asks through confirm', () => {
        const page = makePage();
        page.run('If MsgBox("Sure?", vbYesNo) = vbYes Then r = "yes"');
        page.js('confirmAnswer = false');
        page.run('q = MsgBox("Again?", vbOKCancel)');
        assert.equal(page.js('r'), 'yes');
        assert.equal(page.js('q'), 2);
        assert.deepEqual([...page.js('shown.confirms')], ['Sure?', 'Again?']);
    });
});

// (Object.prototype.get is left alone by the tampering cases: in a node:vm context it crashes
// node's own global-object handler, which a browser window does not have.)
describe('page changes to builtins', () => {
    for (const c of tamperCases) test(c.name, () => runCase(c));
});

describe('run-time errors', () => {
    test('stop the script with the VBScript line, after what ran before', () => {
        const page = makePage();
        assert.throws(() => page.run('a = 1\n\nb = 1 \\ 0\nc = 1'), /VBScript line 3: Division by zero/);
        assert.equal(page.js('a'), 1);
        assert.equal(page.js('typeof c'), 'undefined');
    });

    test('inside a Sub report the Sub line, also when a page handler calls it', () => {
        const page = makePage();
        page.run('Sub Bad()\n x = 1\n y = Document.NoSuchThing\nEnd Sub');
        assert.throws(() => page.js('Bad()'), /VBScript line 3: Object doesn't support this property or method: 'NoSuchThing'/);
    });

    for (const [vbs, message] of [
        ['x = "a" + 1', /Type mismatch/], ['x = CInt(40000)', /Overflow/], ['Dim a(1)\nx = a(2)', /Subscript out of range/],
        ['NoSuchSub 1', /Type mismatch: 'NoSuchSub'/], ['x = Left("abc", -1)', /Invalid procedure call/],
    ]) {
        test('raises ' + message + ' for ' + JSON.stringify(vbs), () => {
            assert.throws(() => makePage().run(vbs), message);
        });
    }

    test('a procedure from an earlier script checks its argument count', () => {
        const page = makePage();
        page.run('Sub S(a)\nEnd Sub');
        assert.throws(() => page.run('S 1, 2'), /Wrong number of arguments/);
    });
});

// Scripts outside the subset or with syntax errors: refused whole, with the line of the fault.
const refusedCases = [
    ['Select Case x\nCase 1\nEnd Select', 1, /'Select' is not supported/],
    ['x = 1\nOn Error Resume Next', 2, /'On Error' is not supported/],
    ['Class X\nEnd Class', 1, /'Class' is not supported/],
    ['Document.Title = "ran"\nIf x Then\n y = 1\n', 2, /'If' without 'End If'/],
    ['x = "abc', 1, /unterminated string/],
    ['x = ', 1, /expected an expression/],
    ['x = 1 +', 1, /expected an expression/],
    ['x = (1 + 2', 1, /expected '\)'/],
    ['For i = 1\nNext', 1, /expected 'To'/],
    ['For i = 1 To 3\ns = i', 1, /'For' without 'Next'/],
    ['For i = 1 To 3\nNext i', 2, /expected end of statement/],
    ['Do While x\nLoop Until y', 2, /both/],
    ['While x\n', 1, /'While' without 'Wend'/],
    ['Sub S\n', 1, /'Sub' without 'End Sub'/],
    ['ReDim a(3)', 1, /'ReDim' is not supported/],
    ['Dim a()', 1, /dynamic arrays/],
    ['Dim n\nDim a(n)', 2, /whole numbers/],
    ['With Document\n.Title = "x"\nEnd With', 1, /'With' is not supported/],
    ['Execute "x = 1"', 1, /'Execute' is not supported/],
    ['x = Eval("1")', 1, /'Eval' is not supported/],
    ['Property Get X\nEnd Property', 1, /'Property' is not supported/],
    ['GoTo 10', 1, /'GoTo' is not supported/],
    ['Randomize', 1, /'Randomize' is not supported/],
    ['x = Array(1, 2)', 1, /'Array' is not supported/],
    ['x = DateAdd("d", 1, Now)', 1, /'DateAdd' is not supported/],
    ['Set o = CreateObject("Scripting.Dictionary")', 1, /'CreateObject' is not supported/],
    ['x = New Thing', 1, /'New' is not supported/],
    ['x = 1 Eqv 2', 1, /'Eqv' is not supported/],
    ['x = #1/1/2000#', 1, /date literals/],
    ['x = [odd name]', 1, /bracketed/],
    ['x = 5 ; y', 1, /invalid character ';'/],
    ['x = 1 _ y', 1, /invalid character '_'/],
    ['Exit For', 1, /'Exit For' outside/],
    ['Function F()\n Exit Sub\nEnd Function', 2, /'Exit Sub' outside/],
    ['Next', 1, /'Next' without 'For'/],
    ['x = 1\nEnd Sub', 2, /'End Sub' without 'Sub'/],
    ['Else', 1, /'Else' without 'If'/],
    ['x = Left("a")', 1, /wrong number of arguments to 'Left'/],
    ['x = Now(1)', 1, /wrong number of arguments/],
    ['Dim x\nDim X', 2, /name redefined/],
    ['Sub S(a, A)\nEnd Sub', 1, /name redefined/],
    ['Sub S(a)\nEnd Sub\nS 1, 2', 3, /wrong number of arguments to 'S'/],
    ['Foo(1, 2)', 1, /parentheses/],
    ['Sub A(ByRef b)\nEnd Sub', 1, /ByRef/],
    ['If x Then\nSub S\nEnd Sub\nEnd If', 2, /top level/],
    ['If x Then For i = 1 To 2: Next', 1, /single-line If/],
    ['Call Foo 1', 1, /expected end of statement/],
    ['Dim True', 1, /reserved word/],
    ['Const C = 1\nC = 2', 2, /illegal assignment/],
    ['Const C = x', 1, /literal/],
    ['Sub S\nEnd Sub\nS = 1', 3, /illegal assignment/],
    ['Option Base 1', 1, /expected 'Explicit'/],
    ['x = 1 Then', 1, /expected end of statement/],
    ['If x Then y = 1 ElseIf z Then y = 2', 1, /expected end of statement/],
    ['x = &HFFFFFFFFF', 1, /overflow/],
];

describe('scripts outside the subset are refused whole', () => {
    for (const [vbs, line, reason] of refusedCases) {
        test(JSON.stringify(vbs), () => {
            const r = translate(vbs);
            assert.equal(r.ok, false, 'should be refused');
            assert.equal(r.js, undefined);
            assert.match(r.error, new RegExp('^line ' + line + ': '));
            assert.match(r.error, reason);
        });
    }
});
