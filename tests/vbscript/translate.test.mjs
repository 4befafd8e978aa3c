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

// Scripts (run in order on one page) and the page state they must leave.
const stateCases = [
    { name: 'title through Document.Title', vbs: 'Document.Title = "x"', expect: { 'document.title': 'x' } },
    { name: 'loop filling a list', vbs: 'For i = 1 To 3: s = s & i: Next', expect: { s: '123', i: 4 } },
    { name: 'negative step', vbs: 'For i = 10 To 1 Step -3\n s = s & i & ","\nNext', expect: { s: '10,7,4,1,' } },
    { name: 'bounds evaluated once', vbs: 'n = 3\nFor i = 1 To n\n n = 10\n c = c + 1\nNext', expect: { c: 3 } },
    { name: 'loop that never runs', vbs: 'c = 0\nFor i = 5 To 1\n c = c + 1\nNext', expect: { c: 0, i: 5 } },
    {
        name: 'Sub called later under another letter case',
        vbs: ['Sub Greet()\n  Document.Title = "greeted " & n\nEnd Sub', 'n = 1\nGREET', 'n = n + 1: Call greet()'],
        expect: { 'document.title': 'greeted 2', 'typeof window.Greet': 'function' },
    },
    {
        name: 'Sub called by a page handler',
        vbs: 'Sub Clicked(who)\n  Document.Title = "by " & who\nEnd Sub',
        after: 'Clicked("page")',
        expect: { 'document.title': 'by page' },
    },
    {
        name: 'variables are one name in any case, across scripts',
        vbs: ['Dim Count\nCount = 1', 'count = COUNT + 1'],
        expect: { Count: 2, 'typeof window.count': 'undefined' },
    },
    {
        name: 'page scripts see and change VBScript globals',
        vbs: ['Dim Total\nTotal = 5'],
        after: 'Total = Total + 2',
        then: 'Result = total * 2',
        expect: { Result: 14 },
    },
    { name: 'doubled quotes', vbs: 's = "say ""hi"""', expect: { s: 'say "hi"' } },
    {
        name: 'single-line If, both branches with several statements',
        vbs: 'x = 5\nIf x > 3 Then a = "big": b = 1 Else a = "small": b = 2\nIf x > 9 Then c = "big" Else c = "small": d = 1',
        expect: { a: 'big', b: 1, c: 'small', d: 1 },
    },
    {
        name: 'nested single-line If binds Else to the inner If',
        vbs: 'If True Then If False Then r = 1 Else r = 2',
        expect: { r: 2 },
    },
    {
        name: 'Do Until and Loop While',
        vbs: 'Do Until i >= 3\n i = i + 1\nLoop\nDo\n j = j + 1\nLoop While j < 5\nDo While False\n k = 1\nLoop\nDo\n m = m + 1\nLoop Until True',
        expect: { i: 3, j: 5, 'typeof k': 'undefined', m: 1 },
    },
    {
        name: 'While Wend',
        vbs: 'While n < 4\n n = n + 1\nWend',
        expect: { n: 4 },
    },
    {
        name: 'ElseIf chain',
        vbs: 'Function Size(n)\n If n < 10 Then\n  Size = "small"\n ElseIf n < 100 Then\n  Size = "medium"\n ElseIf n < 1000 Then\n  Size = "large"\n Else\n  Size = "huge"\n End If\nEnd Function\ns = Size(5) & "," & Size(50) & "," & Size(500) & "," & Size(5000)',
        expect: { s: 'small,medium,large,huge' },
    },
    {
        name: 'Exit For leaves the For even from inside a Do',
        vbs: 'For i = 1 To 10\n Do\n  If i = 3 Then Exit For\n  Exit Do\n Loop\n s = s & i\nNext',
        expect: { s: '12', i: 3 },
    },
    {
        name: 'Exit Do and Exit Sub / Function',
        vbs: 'Dim t\nDo\n n = n + 1\n If n = 4 Then Exit Do\nLoop\nSub S()\n t = "a"\n Exit Sub\n t = "b"\nEnd Sub\nFunction F()\n F = 1\n Exit Function\n F = 2\nEnd Function\nS\nr = F()',
        expect: { n: 4, t: 'a', r: 1 },
    },
    {
        name: 'Function result and recursion',
        vbs: 'Function Fact(n)\n If n <= 1 Then\n  Fact = 1\n Else\n  Fact = n * Fact(n - 1)\n End If\nEnd Function\nr = fact(5)',
        expect: { r: 120 },
    },
    {
        name: 'procedures are hoisted within a script',
        vbs: 'r = Twice(21)\nFunction Twice(x)\n Twice = x * 2\nEnd Function',
        expect: { r: 42 },
    },
    {
        name: 'Dim inside a procedure is local; implicit names follow existing globals',
        vbs: 'x = "global"\nSub S()\n Dim x\n x = "local"\n y = "seen"\n z = "own"\nEnd Sub\ny = "before"\nS',
        expect: { x: 'global', y: 'seen', 'typeof z': 'undefined' },
    },
    {
        name: 'member names in any case, on prototypes too',
        vbs: 'document.getElementById("name").Value = "Bob"\nv = DOCUMENT.GetElementByID("age").VALUE\nn = Document.Forms.Length\nwindow.Document.Forms(0).Submit\nDocument.Forms("f1").Elements(1).Click',
        expect: { 'document.getElementById("name").value': 'Bob', v: '42', n: 1,
                  'document.forms[0].submitted': 1, 'document.getElementById("age").clicks': 1 },
    },
    {
        name: 'method call with arguments and no parentheses',
        vbs: 'Document.Write "a", "b"\nDocument.Write ("c")',
        after: 'void 0',
        expect: { 'document.written': 'ac' },
    },
    {
        name: 'first argument in parentheses',
        vbs: 'Dim r\nSub Add(a, b)\n r = a + b\nEnd Sub\nAdd (1) + 1, 2',
        expect: { r: 4 },
    },
    {
        name: 'For Each over a collection and an array',
        vbs: 'For Each el In Document.Forms(0).Elements\n s = s & el.Id & ";"\nNext\nDim a(2)\na(0) = "x": a(1) = "y": a(2) = "z"\nFor Each v In a\n t = t & v\nNext',
        expect: { s: 'name;age;', t: 'xyz' },
    },
    {
        name: 'fixed arrays, two dimensions, copied on assignment',
        vbs: 'Dim a(2), g(1, 2)\na(2) = 7\ng(1, 2) = "corner"\nn = UBound(a): m = UBound(g, 2)\nb = a\nb(2) = 8\nr = a(2) & b(2) & g(1, 2)',
        expect: { n: 2, m: 2, r: '78corner' },
    },
    {
        name: 'Nothing and Is',
        vbs: 'Set o = Nothing\nIf o Is Nothing Then r = "none"\nSet e = Document.getElementById("missing")\nIf e Is Nothing Then q = 1\nSet d = Document\nIf d Is Document Then p = True',
        expect: { r: 'none', q: 1, p: true },
    },
    {
        name: 'line continuation and comments',
        vbs: "s = \"a\" & _\n    \"b\" ' a comment\nRem a remark\nt = 1: Rem another\n' last",
        expect: { s: 'ab', t: 1 },
    },
    {
        name: 'Const and Option Explicit',
        vbs: 'Option Explicit\nConst Greeting = "hi", Limit = -2\nDim r\nr = Greeting & Limit',
        expect: { r: 'hi-2' },
    },
    {
        name: 'event handler property is read, not called',
        vbs: 'Set h = Document.getElementById("name").onclick\nIf h Is Nothing Then r = "no handler"',
        expect: { r: 'no handler' },
    },
];

describe('scripts leave the page in the expected state', () => {
    for (const c of stateCases) {
        test(c.name, () => {
            const page = makePage();
            runScripts(page, c.vbs);
            if (c.after) page.js(c.after);
            if (c.then) page.run(c.then);
            for (const [expr, value] of Object.entries(c.expect)) {
                assert.deepEqual(page.js(expr), value, expr);
            }
        });
    }
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

describe('page changes to builtins', () => {
    test('tampered prototypes and globals do not break the run-time', () => {
        const tamper = `
            Array.prototype.push = function () { throw new Error('push'); };
            Array.prototype.forEach = Array.prototype.map = Array.prototype.indexOf = Array.prototype.push;
            JSON.stringify = JSON.parse = function () { throw new Error('JSON'); };
            Object.prototype.hasOwnProperty = function () { throw new Error('hasOwnProperty'); };
            Object.keys = function () { throw new Error('keys'); };
            Object.defineProperty(Object.prototype, 'value', { get() { return 'polluted'; }, configurable: true });`;
        // (Object.prototype.get is left alone: in a node:vm context it crashes node's own
        // global-object handler, which a browser window does not have.)
        const page = makePage(tamper);
        page.run('Dim Seen\nSub Mark(x)\n Seen = Seen & x\nEnd Sub\nFor Each el In Document.Forms(0).Elements\n Mark el.ID\nNext');
        // Methods replaced after the run-time was installed do not reach it either.
        page.js('String.prototype.toLowerCase = function () { return "broken"; }; String.prototype.indexOf = function () { return -5; };');
        page.run('Document.TITLE = Seen & InStr("abc", "c")\nmark "!"');
        assert.equal(page.js('document.title'), 'nameage3');
        assert.equal(page.js('Seen'), 'nameage!');
    });
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
