// Translates the small part of VBScript that page automation scripts use into JavaScript for the
// page's main world; the translated code leans on a run-time that it installs once per window.
//
// Loaded as plain script text into the bridge's isolated world, before bridge.js. Defines one
// global, __quelvoVbs, whose translate(source) returns {ok: true, js} or {ok: false, error}.
// A script that uses anything outside the subset is refused whole: nothing of it runs.
var __quelvoVbs = (function () {
    'use strict';

    // ------------------------------------------------------------------ language tables

    // VBScript's reserved words: never identifiers.
    const RESERVED = new Set([
        'and', 'as', 'boolean', 'byref', 'byte', 'byval', 'call', 'case', 'class', 'const',
        'currency', 'debug', 'dim', 'do', 'double', 'each', 'else', 'elseif', 'empty', 'end',
        'endif', 'enum', 'eqv', 'event', 'exit', 'false', 'for', 'function', 'get', 'goto', 'if',
        'imp', 'implements', 'in', 'integer', 'is', 'let', 'like', 'long', 'loop', 'lset', 'me',
        'mod', 'new', 'next', 'not', 'nothing', 'null', 'on', 'option', 'optional', 'or',
        'paramarray', 'preserve', 'private', 'property', 'public', 'raiseevent', 'redim', 'rem', 'resume',
        'rset', 'select', 'set', 'shared', 'single', 'static', 'stop', 'sub', 'then', 'to', 'true',
        'type', 'typeof', 'until', 'variant', 'wend', 'while', 'with', 'xor',
    ]);

    // Words that close a block; a block's statement list stops at any of them.
    const CLOSERS = new Set(['end', 'next', 'loop', 'wend', 'else', 'elseif']);

    // Operator levels, loosest first. 'not' and 'unary' are prefix levels; the last level is '^',
    // whose right operand may carry its own sign (2 ^ -1).
    const LEVELS = [
        ['xor'], ['or'], ['and'], 'not', ['=', '<>', '<', '>', '<=', '>=', 'is'], ['&'],
        ['+', '-'], ['mod'], ['\\'], ['*', '/'], 'unary', ['^'],
    ];
    const COMPARISONS = new Set(['=', '<>', '<', '>', '<=', '>=']);

    // Run-time helper for each binary operator.
    const OPERATOR_HELPERS = new Map([
        ['xor', 'xor'], ['or', 'or'], ['and', 'and'], ['=', 'eq'], ['<>', 'ne'], ['<', 'lt'],
        ['>', 'gt'], ['<=', 'le'], ['>=', 'ge'], ['is', 'is'], ['&', 'cat'], ['+', 'add'],
        ['-', 'sub'], ['mod', 'mod'], ['\\', 'idiv'], ['*', 'mul'], ['/', 'div'], ['^', 'pow'],
    ]);

    // Built-in functions: lower-case name -> [fewest, most] arguments. Each is $.f.<name>.
    const BUILTINS = new Map([
        ['len', [1, 1]], ['left', [2, 2]], ['right', [2, 2]], ['mid', [2, 3]], ['instr', [2, 4]],
        ['ucase', [1, 1]], ['lcase', [1, 1]], ['trim', [1, 1]], ['ltrim', [1, 1]],
        ['rtrim', [1, 1]], ['cstr', [1, 1]], ['cint', [1, 1]], ['clng', [1, 1]],
        ['cdbl', [1, 1]], ['cbool', [1, 1]], ['isnumeric', [1, 1]], ['chr', [1, 1]],
        ['asc', [1, 1]], ['now', [0, 0]], ['msgbox', [1, 5]], ['ubound', [1, 2]],
        ['lbound', [1, 2]], ['isempty', [1, 1]], ['isnull', [1, 1]], ['isarray', [1, 1]],
        ['isobject', [1, 1]], ['abs', [1, 1]], ['int', [1, 1]], ['fix', [1, 1]],
        ['replace', [3, 6]], ['split', [1, 4]], ['join', [1, 2]], ['round', [1, 2]],
        ['space', [1, 1]], ['hex', [1, 1]],
    ]);

    // VBScript's own functions and statements that this translator does not provide. A script
    // naming one is refused instead of failing half-way at run time.
    const UNSUPPORTED_BUILTINS = new Set([
        'array', 'ascb', 'ascw', 'atn', 'cbyte', 'ccur', 'cdate', 'chrb', 'chrw', 'cos',
        'createobject', 'csng', 'date', 'dateadd', 'datediff', 'datepart', 'dateserial',
        'datevalue', 'day', 'escape', 'eval', 'execute', 'executeglobal', 'exp', 'filter',
        'formatcurrency', 'formatdatetime', 'formatnumber', 'formatpercent', 'getlocale',
        'err', 'getobject', 'getref', 'hour', 'inputbox', 'instrb', 'instrrev', 'isdate', 'leftb',
        'lenb', 'loadpicture', 'log', 'midb', 'minute', 'month', 'monthname', 'oct', 'randomize',
        'rgb', 'rightb', 'rnd', 'scriptengine', 'scriptenginebuildversion',
        'scriptenginemajorversion', 'scriptengineminorversion', 'second', 'setlocale', 'sgn',
        'sin', 'sqr', 'strcomp', 'string', 'strreverse', 'tan', 'time', 'timer', 'timeserial',
        'timevalue', 'typename', 'unescape', 'vartype', 'weekday', 'weekdayname', 'year',
    ]);

    // Named constants, as JavaScript literals.
    const CONSTANTS = new Map([
        ['vbcrlf', '"\\r\\n"'], ['vbnewline', '"\\r\\n"'], ['vbcr', '"\\r"'], ['vblf', '"\\n"'],
        ['vbtab', '"\\t"'], ['vbnullstring', '""'], ['vbnullchar', '"\\u0000"'],
        ['vbokonly', '0'], ['vbokcancel', '1'], ['vbabortretryignore', '2'],
        ['vbyesnocancel', '3'], ['vbyesno', '4'], ['vbretrycancel', '5'], ['vbcritical', '16'],
        ['vbquestion', '32'], ['vbexclamation', '48'], ['vbinformation', '64'], ['vbok', '1'],
        ['vbcancel', '2'], ['vbabort', '3'], ['vbretry', '4'], ['vbignore', '5'], ['vbyes', '6'],
        ['vbno', '7'], ['vbtrue', '(-1)'], ['vbfalse', '0'], ['vbusedefault', '(-2)'],
        ['vbbinarycompare', '0'], ['vbtextcompare', '1'],
    ]);

    // ------------------------------------------------------------------ errors

    class CompileError {
        constructor(line, message) {
            this.line = line;
            this.message = message;
        }
    }

    function fail(line, message) {
        throw new CompileError(line, message);
    }

    // ------------------------------------------------------------------ tokenizer

    // Token types: 'word', 'num', 'str', 'op', 'nl' (end of line), 'colon', 'eof'.
    function tokenize(src) {
        const tokens = [];
        let i = 0;
        let line = 1;
        const n = src.length;

        const isDigit = (c) => c >= '0' && c <= '9';
        const isLetter = (c) => (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const isWordChar = (c) => isLetter(c) || isDigit(c) || c === '_';
        const isHexDigit = (c) => isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        const isBlank = (c) => c === ' ' || c === '\t' || c === '\f' || c === '\v' ||
            c === '\u00a0' || c === '\ufeff';
        const push = (type, value, text) => tokens.push({ type, value, text, line });
        const last = () => tokens[tokens.length - 1];

        function skipToLineEnd() {
            while (i < n && src[i] !== '\r' && src[i] !== '\n') i++;
        }

        // &H / &O literals: up to 16 bits they are Integers, up to 32 bits Longs (both signed);
        // a trailing '&' makes a Long.
        function radixLiteral(radix) {
            const start = i;
            i += 2;
            let value = 0;
            while (i < n && (radix === 16 ? isHexDigit(src[i]) : (src[i] >= '0' && src[i] <= '7'))) {
                value = value * radix + parseInt(src[i], radix);
                i++;
            }
            let long = false;
            if (src[i] === '&') {
                long = true;
                i++;
            }
            if (value > 0xffffffff) fail(line, 'overflow in ' + src.slice(start, i));
            if (!long && value <= 0xffff) {
                if (value > 0x7fff) value -= 0x10000;
            } else if (value > 0x7fffffff) {
                value -= 0x100000000;
            }
            push('num', value, src.slice(start, i));
        }

        function decimalLiteral() {
            const start = i;
            while (i < n && isDigit(src[i])) i++;
            if (src[i] === '.') {
                i++;
                while (i < n && isDigit(src[i])) i++;
            }
            if ((src[i] === 'e' || src[i] === 'E') &&
                (isDigit(src[i + 1]) ||
                 ((src[i + 1] === '+' || src[i + 1] === '-') && isDigit(src[i + 2])))) {
                i += 2;
                while (i < n && isDigit(src[i])) i++;
            }
            const text = src.slice(start, i);
            const value = Number(text);
            if (!Number.isFinite(value)) fail(line, 'overflow in ' + text);
            push('num', value, text);
        }

        function stringLiteral() {
            let value = '';
            i++;
            for (;;) {
                if (i >= n || src[i] === '\r' || src[i] === '\n') fail(line, 'unterminated string');
                if (src[i] === '"') {
                    if (src[i + 1] === '"') {
                        value += '"';
                        i += 2;
                        continue;
                    }
                    i++;
                    break;
                }
                value += src[i++];
            }
            push('str', value, '"' + value + '"');
        }

        while (i < n) {
            const c = src[i];
            if (isBlank(c)) {
                i++;
            } else if (c === '\r' || c === '\n') {
                push('nl', null, 'end of line');
                i += c === '\r' && src[i + 1] === '\n' ? 2 : 1;
                line++;
            } else if (c === "'") {
                skipToLineEnd();
            } else if (c === ':') {
                push('colon', null, ':');
                i++;
            } else if (c === '"') {
                stringLiteral();
            } else if (isDigit(c)) {
                decimalLiteral();
            } else if (c === '.' && isDigit(src[i + 1]) &&
                       !(last() && (last().type === 'word' || last().type === 'num' ||
                                    last().type === 'str' || last().text === ')'))) {
                decimalLiteral();
            } else if (c === '&' && (src[i + 1] === 'h' || src[i + 1] === 'H') && isHexDigit(src[i + 2])) {
                radixLiteral(16);
            } else if (c === '&' && (src[i + 1] === 'o' || src[i + 1] === 'O') &&
                       src[i + 2] >= '0' && src[i + 2] <= '7') {
                radixLiteral(8);
            } else if (isLetter(c)) {
                const start = i;
                while (i < n && isWordChar(src[i])) i++;
                const text = src.slice(start, i);
                const lower = text.toLowerCase();
                const prev = last();
                if (lower === 'rem' && !(prev && prev.text === '.')) {
                    skipToLineEnd();
                } else {
                    tokens.push({ type: 'word', value: lower, text, line });
                }
            } else if (c === '_') {
                // Line continuation: '_' then nothing but blanks up to the end of the line.
                let j = i + 1;
                while (j < n && isBlank(src[j])) j++;
                if (j < n && src[j] !== '\r' && src[j] !== '\n') fail(line, "invalid character '_'");
                i = j < n && src[j] === '\r' && src[j + 1] === '\n' ? j + 2 : j + 1;
                line++;
            } else if (c === '<' && (src[i + 1] === '>' || src[i + 1] === '=')) {
                push('op', c + src[i + 1], c + src[i + 1]);
                i += 2;
            } else if (c === '>' && src[i + 1] === '=') {
                push('op', '>=', '>=');
                i += 2;
            } else if ('+-*/\\^=&(),.<>'.includes(c)) {
                push('op', c, c);
                i++;
            } else if (c === '#') {
                fail(line, 'date literals are not supported');
            } else if (c === '[') {
                fail(line, 'bracketed names are not supported');
            } else {
                fail(line, "invalid character '" + c + "'");
            }
        }
        push('eof', null, 'end of script');
        return tokens;
    }

    // ------------------------------------------------------------------ parser

    // AST, expressions: num {value}, str {value}, lit {value: true|false|null|undefined},
    // paren {expr}, name {name, lower}, member {object, name}, apply {fn, args, parenAt},
    // unary {op, expr}, binary {op, left, right}.
    // Statements: dim {vars: [{name, lower, bounds}]}, const {items: [{name, lower, value}]},
    // assign {set, target, value}, call {fn, args}, if {branches: [{cond, body}], otherwise},
    // for {counter, from, to, step, body}, foreach {counter, collection, body},
    // while {cond, body}, do {test: {until, cond, after}|null, body}, exit {what},
    // proc {kind, name, lower, params: [{name, lower}], body}, nop.
    // Every node has a line.
    class Parser {
        constructor(tokens) {
            this.tokens = tokens;
            this.pos = 0;
            this.inlineIf = 0;   // depth of single-line Ifs being parsed
            this.blockDepth = 0; // > 0 inside any block
            this.proc = null;    // the procedure being parsed
        }

        peek(ahead = 0) {
            return this.tokens[Math.min(this.pos + ahead, this.tokens.length - 1)];
        }

        next() {
            const tok = this.peek();
            if (this.pos < this.tokens.length - 1) this.pos++;
            return tok;
        }

        isWord(word, ahead = 0) {
            const tok = this.peek(ahead);
            return tok.type === 'word' && tok.value === word;
        }

        isOp(op) {
            const tok = this.peek();
            return tok.type === 'op' && tok.value === op;
        }

        acceptWord(word) {
            if (!this.isWord(word)) return false;
            this.next();
            return true;
        }

        acceptOp(op) {
            if (!this.isOp(op)) return false;
            this.next();
            return true;
        }

        expectWord(word, display) {
            if (!this.acceptWord(word)) fail(this.peek().line, "expected '" + display + "'");
        }

        expectOp(op) {
            if (!this.acceptOp(op)) fail(this.peek().line, "expected '" + op + "'");
        }

        identifier() {
            const tok = this.peek();
            if (tok.type !== 'word') fail(tok.line, 'expected a name but found ' + describe(tok));
            if (RESERVED.has(tok.value)) {
                fail(tok.line, "'" + tok.text + "' is a reserved word and cannot be used as a name");
            }
            this.next();
            return tok;
        }

        // True where a statement may end: a line end, ':', the script end, or the 'Else' of the
        // single-line If being parsed.
        atStatementEnd() {
            const tok = this.peek();
            return tok.type === 'nl' || tok.type === 'colon' || tok.type === 'eof' ||
                (this.inlineIf > 0 && tok.type === 'word' && tok.value === 'else');
        }

        requireStatementEnd() {
            if (!this.atStatementEnd()) {
                fail(this.peek().line, 'expected end of statement but found ' + describe(this.peek()));
            }
        }

        // A block header (For, Do, Sub ...) must end its line or be followed by ':'.
        requireHeaderEnd() {
            const tok = this.peek();
            if (tok.type !== 'nl' && tok.type !== 'colon' && tok.type !== 'eof') {
                fail(tok.line, 'expected end of statement but found ' + describe(tok));
            }
        }

        parseProgram() {
            const body = this.parseBlock();
            const tok = this.peek();
            if (tok.type !== 'eof') strayCloser(this, tok);
            return body;
        }

        // Statements up to the script end or a block-closing word, which is left unread.
        parseBlock() {
            const body = [];
            for (;;) {
                while (this.peek().type === 'nl' || this.peek().type === 'colon') this.next();
                const tok = this.peek();
                if (tok.type === 'eof' || (tok.type === 'word' && CLOSERS.has(tok.value))) break;
                body.push(this.parseStatement());
                this.requireStatementEnd();
            }
            return body;
        }

        parseNestedBlock() {
            this.blockDepth++;
            const body = this.parseBlock();
            this.blockDepth--;
            return body;
        }

        parseStatement() {
            const tok = this.peek();
            if (tok.type !== 'word') fail(tok.line, 'expected a statement but found ' + describe(tok));
            switch (tok.value) {
                case 'dim': return this.parseDim();
                case 'const': return this.parseConst();
                case 'set': this.next(); return this.parseSimple(tok.line, 'set');
                case 'let': this.next(); return this.parseSimple(tok.line, 'let');
                case 'call': return this.parseCall();
                case 'if': return this.parseIf();
                case 'for': return this.parseFor();
                case 'while': return this.parseWhile();
                case 'do': return this.parseDo();
                case 'exit': return this.parseExit();
                case 'sub':
                case 'function': return this.parseProc();
                case 'option': return this.parseOption();
                case 'on':
                    if (this.isWord('error', 1)) fail(tok.line, "'On Error' is not supported");
                    break;
                default:
                    break;
            }
            if (RESERVED.has(tok.value)) {
                const known = ['true', 'false', 'nothing', 'null', 'empty', 'not', 'and', 'or',
                               'xor', 'mod', 'is', 'then', 'to', 'in', 'each', 'until', 'byval'];
                if (known.includes(tok.value)) {
                    fail(tok.line, "expected a statement but found '" + tok.text + "'");
                }
                fail(tok.line, "'" + tok.text + "' is not supported");
            }
            return this.parseSimple(tok.line, null);
        }

        // Assignment or call statement, starting at a name.
        parseSimple(line, keyword) {
            const target = this.parseChain(this.identifier());
            if (this.acceptOp('=')) {
                return { kind: 'assign', line, set: keyword === 'set', target, value: this.parseExpr() };
            }
            if (keyword) fail(this.peek().line, "expected '='");
            if (this.atStatementEnd()) {
                if (target.kind === 'apply') {
                    if (target.args.length > 1) {
                        fail(line, 'cannot use parentheses when calling a Sub with several arguments');
                    }
                    return { kind: 'call', line, fn: target.fn, args: target.args };
                }
                return { kind: 'call', line, fn: target, args: [] };
            }
            // Arguments without parentheses. "Foo (1), 2" first read "(1)" as Foo's argument
            // list; it is the first argument, so read again from that parenthesis.
            let fn = target;
            if (target.kind === 'apply') {
                fn = target.fn;
                this.pos = target.parenAt;
            }
            const args = [this.parseExpr()];
            while (this.acceptOp(',')) args.push(this.parseExpr());
            return { kind: 'call', line, fn, args };
        }

        parseCall() {
            const line = this.next().line;
            const target = this.parseChain(this.identifier());
            if (target.kind === 'apply') return { kind: 'call', line, fn: target.fn, args: target.args };
            return { kind: 'call', line, fn: target, args: [] };
        }

        // A name followed by any number of ".member" and "(arguments)".
        parseChain(nameTok) {
            let node = { kind: 'name', line: nameTok.line, name: nameTok.text, lower: nameTok.value };
            for (;;) {
                if (this.isOp('.')) {
                    this.next();
                    const tok = this.next();
                    if (tok.type !== 'word') fail(tok.line, 'expected a member name after "."');
                    node = { kind: 'member', line: tok.line, object: node, name: tok.text };
                } else if (this.isOp('(')) {
                    const parenAt = this.pos;
                    const line = this.next().line;
                    const args = [];
                    if (!this.isOp(')')) {
                        do {
                            args.push(this.parseExpr());
                        } while (this.acceptOp(','));
                    }
                    this.expectOp(')');
                    node = { kind: 'apply', line, fn: node, args, parenAt };
                } else {
                    return node;
                }
            }
        }

        parseDim() {
            const line = this.next().line;
            const vars = [];
            do {
                const tok = this.identifier();
                let bounds = null;
                if (this.acceptOp('(')) {
                    if (this.isOp(')')) fail(tok.line, 'dynamic arrays (ReDim) are not supported');
                    bounds = [];
                    do {
                        const b = this.peek();
                        if (b.type !== 'num' || !Number.isInteger(b.value) || b.value < 0) {
                            fail(b.line, 'array bounds must be whole numbers');
                        }
                        this.next();
                        bounds.push(b.value);
                    } while (this.acceptOp(','));
                    this.expectOp(')');
                }
                vars.push({ name: tok.text, lower: tok.value, line: tok.line, bounds });
            } while (this.acceptOp(','));
            return { kind: 'dim', line, vars };
        }

        parseConst() {
            const line = this.next().line;
            const items = [];
            do {
                const tok = this.identifier();
                this.expectOp('=');
                const value = this.parseExpr();
                if (!isConstantExpr(value)) fail(tok.line, 'a constant needs a literal value');
                items.push({ name: tok.text, lower: tok.value, line: tok.line, value });
            } while (this.acceptOp(','));
            return { kind: 'const', line, items };
        }

        parseOption() {
            const line = this.next().line;
            if (!this.acceptWord('explicit')) fail(line, "expected 'Explicit'");
            return { kind: 'nop', line };
        }

        forbidInline(tok) {
            if (this.inlineIf > 0) fail(tok.line, "'" + tok.text + "' cannot be used in a single-line If");
        }

        parseIf() {
            const ifTok = this.next();
            const line = ifTok.line;
            const cond = this.parseExpr();
            this.expectWord('then', 'Then');
            const after = this.peek();
            if (after.type === 'nl' || after.type === 'eof') {
                this.forbidInline(ifTok);
                const branches = [{ cond, body: this.parseNestedBlock() }];
                let otherwise = null;
                for (;;) {
                    if (this.isWord('elseif') && otherwise === null) {
                        this.next();
                        const c = this.parseExpr();
                        this.expectWord('then', 'Then');
                        branches.push({ cond: c, body: this.parseNestedBlock() });
                    } else if (this.isWord('else') && otherwise === null) {
                        this.next();
                        otherwise = this.parseNestedBlock();
                    } else if (this.isWord('end') && this.isWord('if', 1)) {
                        this.next();
                        this.next();
                        return { kind: 'if', line, branches, otherwise };
                    } else {
                        fail(line, "'If' without 'End If'");
                    }
                }
            }
            // Single-line form: If c Then a : b Else d : e
            this.inlineIf++;
            const body = this.parseInline();
            let otherwise = null;
            if (this.acceptWord('else')) otherwise = this.parseInline();
            this.inlineIf--;
            return { kind: 'if', line, branches: [{ cond, body }], otherwise };
        }

        // Statements of a single-line If, up to its Else or the line end.
        parseInline() {
            const body = [];
            for (;;) {
                const tok = this.peek();
                if (tok.type === 'nl' || tok.type === 'eof' || this.isWord('else')) return body;
                if (tok.type === 'colon') {
                    this.next();
                    continue;
                }
                body.push(this.parseStatement());
                this.requireStatementEnd();
            }
        }

        parseFor() {
            const forTok = this.next();
            this.forbidInline(forTok);
            const line = forTok.line;
            if (this.acceptWord('each')) {
                const counter = this.identifier();
                this.expectWord('in', 'In');
                const collection = this.parseExpr();
                this.requireHeaderEnd();
                const body = this.parseNestedBlock();
                if (!this.acceptWord('next')) fail(line, "'For Each' without 'Next'");
                return { kind: 'foreach', line, counter: nameNode(counter), collection, body };
            }
            const counter = this.identifier();
            this.expectOp('=');
            const from = this.parseExpr();
            this.expectWord('to', 'To');
            const to = this.parseExpr();
            let step = null;
            if (this.acceptWord('step')) step = this.parseExpr();
            this.requireHeaderEnd();
            const body = this.parseNestedBlock();
            if (!this.acceptWord('next')) fail(line, "'For' without 'Next'");
            return { kind: 'for', line, counter: nameNode(counter), from, to, step, body };
        }

        parseWhile() {
            const tok = this.next();
            this.forbidInline(tok);
            const cond = this.parseExpr();
            this.requireHeaderEnd();
            const body = this.parseNestedBlock();
            if (!this.acceptWord('wend')) fail(tok.line, "'While' without 'Wend'");
            return { kind: 'while', line: tok.line, cond, body };
        }

        parseDo() {
            const tok = this.next();
            this.forbidInline(tok);
            let test = null;
            if (this.isWord('while') || this.isWord('until')) {
                const until = this.next().value === 'until';
                test = { until, cond: this.parseExpr(), after: false };
            }
            this.requireHeaderEnd();
            const body = this.parseNestedBlock();
            if (!this.acceptWord('loop')) fail(tok.line, "'Do' without 'Loop'");
            if (this.isWord('while') || this.isWord('until')) {
                const loopTok = this.next();
                if (test) fail(loopTok.line, "a 'Do' loop cannot test both at 'Do' and at 'Loop'");
                test = { until: loopTok.value === 'until', cond: this.parseExpr(), after: true };
            }
            return { kind: 'do', line: tok.line, test, body };
        }

        parseExit() {
            const line = this.next().line;
            const tok = this.next();
            const what = tok.type === 'word' ? tok.value : '';
            if (!['for', 'do', 'sub', 'function'].includes(what)) {
                fail(line, "'Exit " + tok.text + "' is not supported");
            }
            return { kind: 'exit', line, what };
        }

        parseProc() {
            const tok = this.next();
            const kind = tok.value;
            const display = kind === 'sub' ? 'Sub' : 'Function';
            if (this.blockDepth > 0 || this.inlineIf > 0 || this.proc) {
                fail(tok.line, "'" + tok.text + "' must be at the top level of the script");
            }
            const nameTok = this.identifier();
            const params = [];
            if (this.acceptOp('(')) {
                if (!this.isOp(')')) {
                    do {
                        if (this.isWord('byref')) {
                            fail(this.peek().line, 'ByRef parameters are not supported');
                        }
                        this.acceptWord('byval');
                        const p = this.identifier();
                        if (this.acceptOp('(')) this.expectOp(')');
                        params.push({ name: p.text, lower: p.value, line: p.line });
                    } while (this.acceptOp(','));
                }
                this.expectOp(')');
            }
            this.requireHeaderEnd();
            const proc = { kind: 'proc', line: tok.line, procKind: kind, name: nameTok.text,
                           lower: nameTok.value, params, body: null };
            this.proc = proc;
            proc.body = this.parseNestedBlock();
            this.proc = null;
            if (!(this.isWord('end') && this.isWord(kind, 1))) {
                fail(tok.line, "'" + display + "' without 'End " + display + "'");
            }
            this.next();
            this.next();
            return proc;
        }

        // ---------------------------------------------------------- expressions

        parseExpr() {
            const expr = this.parseLevel(0);
            if (this.isWord('eqv') || this.isWord('imp')) {
                fail(this.peek().line, "'" + this.peek().text + "' is not supported");
            }
            return expr;
        }

        matchesOperator(ops) {
            const tok = this.peek();
            if (tok.type === 'op' || tok.type === 'word') return ops.includes(tok.value) ? tok.value : null;
            return null;
        }

        parseLevel(index) {
            const level = LEVELS[index];
            if (level === 'not') {
                if (this.isWord('not')) {
                    const line = this.next().line;
                    return { kind: 'unary', line, op: 'not', expr: this.parseLevel(index) };
                }
                return this.parseLevel(index + 1);
            }
            if (level === 'unary') {
                if (this.isOp('-') || this.isOp('+')) {
                    const tok = this.next();
                    return { kind: 'unary', line: tok.line, op: tok.value, expr: this.parseLevel(index) };
                }
                return this.parseLevel(index + 1);
            }
            const last = index === LEVELS.length - 1;
            let left = last ? this.parsePrimary() : this.parseLevel(index + 1);
            for (let op = this.matchesOperator(level); op; op = this.matchesOperator(level)) {
                const line = this.next().line;
                const right = last ? this.parsePowerOperand() : this.parseLevel(index + 1);
                left = { kind: 'binary', line, op, left, right };
            }
            return left;
        }

        parsePowerOperand() {
            if (this.isOp('-') || this.isOp('+')) {
                const tok = this.next();
                return { kind: 'unary', line: tok.line, op: tok.value, expr: this.parsePowerOperand() };
            }
            return this.parsePrimary();
        }

        parsePrimary() {
            const tok = this.peek();
            switch (tok.type) {
                case 'num':
                    this.next();
                    return { kind: 'num', line: tok.line, value: tok.value };
                case 'str':
                    this.next();
                    return { kind: 'str', line: tok.line, value: tok.value };
                case 'op':
                    if (tok.value === '(') {
                        this.next();
                        const expr = this.parseExpr();
                        this.expectOp(')');
                        return { kind: 'paren', line: tok.line, expr };
                    }
                    if (tok.value === '.') fail(tok.line, "'With' blocks are not supported");
                    break;
                case 'word': {
                    const literals = {
                        true: true, false: false, nothing: null, null: null, empty: undefined,
                    };
                    if (Object.prototype.hasOwnProperty.call(literals, tok.value)) {
                        this.next();
                        return { kind: 'lit', line: tok.line, value: literals[tok.value] };
                    }
                    if (tok.value === 'new' || tok.value === 'me') {
                        fail(tok.line, "'" + tok.text + "' is not supported");
                    }
                    if (RESERVED.has(tok.value)) break;
                    return this.parseChain(this.identifier());
                }
                default:
                    break;
            }
            fail(tok.line, 'expected an expression but found ' + describe(tok));
            return null;
        }
    }

    function describe(tok) {
        if (tok.type === 'nl' || tok.type === 'eof') return tok.text;
        return "'" + tok.text + "'";
    }

    function nameNode(tok) {
        return { kind: 'name', line: tok.line, name: tok.text, lower: tok.value };
    }

    function isConstantExpr(e) {
        if (e.kind === 'num' || e.kind === 'str' || e.kind === 'lit') return true;
        if (e.kind === 'paren') return isConstantExpr(e.expr);
        return e.kind === 'unary' && (e.op === '-' || e.op === '+') && isConstantExpr(e.expr);
    }

    function strayCloser(parser, tok) {
        const word = tok.value;
        if (word === 'end') {
            const what = parser.peek(1);
            if (what.type === 'word' && ['if', 'sub', 'function'].includes(what.value)) {
                fail(tok.line, "'End " + what.text + "' without '" + what.text + "'");
            }
            if (what.type === 'word' && ['select', 'class', 'with', 'property'].includes(what.value)) {
                fail(tok.line, "'End " + what.text + "' is not supported");
            }
            fail(tok.line, "'End' is not supported");
        }
        const openers = { next: 'For', loop: 'Do', wend: 'While', else: 'If', elseif: 'If' };
        fail(tok.line, "'" + tok.text + "' without '" + openers[word] + "'");
    }

    // ------------------------------------------------------------------ scopes

    // Runs visit on every statement of body and of the blocks nested in it (not into procedures).
    function eachStatement(body, visit) {
        for (const stmt of body) {
            visit(stmt);
            if (stmt.kind === 'if') {
                for (const b of stmt.branches) eachStatement(b.body, visit);
                if (stmt.otherwise) eachStatement(stmt.otherwise, visit);
            } else if (stmt.kind === 'for' || stmt.kind === 'foreach' || stmt.kind === 'while' ||
                       stmt.kind === 'do') {
                eachStatement(stmt.body, visit);
            }
        }
    }

    // The names a block assigns to directly: assignment targets, For and For Each counters.
    function assignedNames(body) {
        const names = new Map();
        eachStatement(body, (stmt) => {
            let target = null;
            if (stmt.kind === 'assign' && stmt.target.kind === 'name') target = stmt.target;
            if (stmt.kind === 'for' || stmt.kind === 'foreach') target = stmt.counter;
            if (target && !names.has(target.lower)) names.set(target.lower, target);
        });
        return names;
    }

    function declareVariables(stmt, declare) {
        const items = stmt.kind === 'dim' ? stmt.vars : stmt.kind === 'const' ? stmt.items : [];
        for (const item of items) {
            declare(item.lower, { kind: stmt.kind, node: item }, item.line, item.name);
        }
    }

    // Script level: what this script declares. Globals live in the run-time, by name.
    function topScope(program) {
        const declared = new Map(); // lower -> {kind: 'dim'|'const'|'proc', node}
        const declare = (lower, entry, line, name) => {
            if (declared.has(lower)) fail(line, "name redefined: '" + name + "'");
            declared.set(lower, entry);
        };
        eachStatement(program, (stmt) => {
            declareVariables(stmt, declare);
            if (stmt.kind === 'proc') {
                declare(stmt.lower, { kind: 'proc', node: stmt }, stmt.line, stmt.name);
            }
        });
        return { kind: 'top', declared, assigned: assignedNames(program), proc: null };
    }

    // Procedure level: parameters, Dim and Const are JavaScript locals; an undeclared name the
    // procedure assigns is the global of that name if one exists when the procedure runs,
    // otherwise a local (VBScript's rule for implicit variables).
    function procScope(proc, top) {
        const locals = new Map(); // lower -> {kind: 'param'|'dim'|'const', node}
        const declare = (lower, entry, line, name) => {
            if (locals.has(lower) || (proc.procKind === 'function' && lower === proc.lower)) {
                fail(line, "name redefined: '" + name + "'");
            }
            locals.set(lower, entry);
        };
        for (const p of proc.params) declare(p.lower, { kind: 'param', node: p }, p.line, p.name);
        eachStatement(proc.body, (stmt) => {
            if (stmt.kind === 'proc') fail(stmt.line, 'procedures cannot be nested');
            declareVariables(stmt, declare);
        });
        const dynamic = new Map();
        for (const [lower, node] of assignedNames(proc.body)) {
            if (locals.has(lower) || (proc.procKind === 'function' && lower === proc.lower)) continue;
            const global = top.declared.get(lower);
            if (global && global.kind !== 'proc') continue; // a script-level Dim: always global
            dynamic.set(lower, node);
        }
        return { kind: 'proc', proc, locals, dynamic, top };
    }

    // ------------------------------------------------------------------ code generator

    // A JavaScript string literal; everything outside printable ASCII is escaped.
    function jsString(s) {
        let out = '"';
        for (let i = 0; i < s.length; i++) {
            const c = s.charCodeAt(i);
            const ch = s[i];
            if (ch === '"' || ch === '\\') out += '\\' + ch;
            else if (c >= 0x20 && c < 0x7f) out += ch;
            else out += '\\u' + c.toString(16).padStart(4, '0');
        }
        return out + '"';
    }

    function jsNumber(v) {
        const text = String(v);
        return v < 0 || Object.is(v, -0) ? '(' + text + ')' : text;
    }

    const local = (lower) => 'v_' + lower;
    const globalFlag = (lower) => 'g_' + lower;

    class Generator {
        constructor(program, tokens) {
            this.program = program;
            this.spelling = spellings(program, tokens);
            this.lines = [];
            this.indent = 0;
            this.counter = 0;
            this.loops = [];
            this.scope = null;
        }

        emit(text) {
            this.lines.push('    '.repeat(this.indent) + text);
        }

        spell(lower) {
            return jsString(this.spelling.get(lower));
        }

        // A procedure's implicit variable: the global when one existed on entry, else the local.
        dynamic(lower, globalJs, localJs) {
            return '(' + globalFlag(lower) + ' ? ' + globalJs + ' : ' + localJs + ')';
        }

        generate() {
            const top = topScope(this.program);
            this.scope = top;
            this.emit('(function (window) {');
            this.indent++;
            this.emit('"use strict";');
            this.emit('var $ = window.__quelvoVbsRt || ' + RUNTIME_SOURCE + '(window);');
            this.emit('var $l = 0;');
            this.emit('try {');
            this.indent++;
            for (const stmt of this.program) if (stmt.kind === 'proc') this.procedure(stmt, top);
            this.scope = top;
            for (const [lower, entry] of top.declared) {
                if (entry.kind === 'dim') {
                    const bounds = entry.node.bounds ? ', [' + entry.node.bounds.join(', ') + ']' : '';
                    this.emit('$.dim(' + this.spell(lower) + bounds + ');');
                } else if (entry.kind === 'const') {
                    this.emit('$.dim(' + this.spell(lower) + ');');
                    this.emit('$.set(' + this.spell(lower) + ', ' + this.expr(entry.node.value) + ');');
                }
            }
            this.block(this.program.filter((s) => s.kind !== 'proc'));
            this.indent--;
            this.emit('} catch (e) {');
            this.emit('    throw $.fail(e, $l);');
            this.emit('}');
            this.indent--;
            this.emit('})(this);');
            return this.lines.join('\n') + '\n';
        }

        procedure(proc, top) {
            const scope = procScope(proc, top);
            this.scope = scope;
            const savedLoops = this.loops;
            this.loops = [];
            const params = proc.params.map((p) => local(p.lower)).join(', ');
            const name = this.spell(proc.lower);
            this.emit('$.proc(' + name + ', ' + proc.params.length + ', function (' + params + ') {');
            this.indent++;
            this.emit('var $l = 0, $r;');
            for (const [lower, entry] of scope.locals) {
                if (entry.kind === 'dim') {
                    const bounds = entry.node.bounds;
                    const init = bounds ? ' = $.array([' + bounds.join(', ') + '])' : '';
                    this.emit('var ' + local(lower) + init + ';');
                } else if (entry.kind === 'const') {
                    this.emit('var ' + local(lower) + ' = ' + this.expr(entry.node.value) + ';');
                }
            }
            for (const lower of scope.dynamic.keys()) {
                const flag = globalFlag(lower) + ' = $.isGlobal(' + this.spell(lower) + ')';
                this.emit('var ' + flag + ', ' + local(lower) + ';');
            }
            this.emit('try {');
            this.indent++;
            this.block(proc.body);
            this.indent--;
            this.emit('} catch (e) {');
            this.emit('    throw $.fail(e, $l);');
            this.emit('}');
            this.emit(proc.procKind === 'function' ? 'return $r;' : 'return;');
            this.indent--;
            this.emit('});');
            this.loops = savedLoops;
        }

        block(body) {
            for (const stmt of body) this.statement(stmt);
        }

        statement(stmt) {
            if (stmt.kind === 'dim' || stmt.kind === 'const' || stmt.kind === 'nop') return;
            if (stmt.kind === 'proc') fail(stmt.line, 'procedures cannot be nested');
            this.emit('$l = ' + stmt.line + ';');
            switch (stmt.kind) {
                case 'assign': return this.assignment(stmt);
                case 'call': return this.emit(this.callExpr(stmt.fn, stmt.args, stmt.line) + ';');
                case 'if': return this.ifStatement(stmt);
                case 'for': return this.forStatement(stmt);
                case 'foreach': return this.forEachStatement(stmt);
                case 'while': return this.whileStatement(stmt);
                case 'do': return this.doStatement(stmt);
                case 'exit': return this.exitStatement(stmt);
                default: fail(stmt.line, 'unexpected statement');
            }
            return undefined;
        }

        assignment(stmt) {
            const t = stmt.target;
            // Assigning an array copies it (VBScript arrays are values); Set and plain values do not.
            let value = this.expr(stmt.value);
            if (!stmt.set && mayBeArray(stmt.value)) value = '$.copy(' + value + ')';
            if (t.kind === 'name') {
                this.emit(this.store(t, value) + ';');
            } else if (t.kind === 'member') {
                this.emit('$.setM(' + this.expr(t.object) + ', ' + jsString(t.name) + ', ' + value + ');');
            } else if (t.kind === 'apply') {
                const index = '[' + this.exprs(t.args) + ']';
                this.emit('$.setIndex(' + this.container(t.fn) + ', ' + index + ', ' + value + ');');
            } else {
                fail(stmt.line, 'cannot assign to this');
            }
        }

        // The value an indexed assignment stores into: a variable's own value, never a call.
        container(fn) {
            if (fn.kind !== 'name') return this.expr(fn);
            const r = this.resolve(fn);
            switch (r.kind) {
                case 'local': return local(fn.lower);
                case 'dynamic':
                    return this.dynamic(fn.lower, '$.ref(' + this.spell(fn.lower) + ')', local(fn.lower));
                case 'global': return '$.ref(' + this.spell(fn.lower) + ')';
                default: fail(fn.line, "cannot assign to '" + fn.name + "'");
            }
            return null;
        }

        // A JavaScript expression that stores value (JavaScript text) in the variable named by node.
        store(node, value) {
            const r = this.resolve(node);
            switch (r.kind) {
                case 'local':
                    if (r.entry.kind === 'const') {
                        fail(node.line, "illegal assignment: '" + node.name + "'");
                    }
                    return local(node.lower) + ' = ' + value;
                case 'result':
                    return '$r = ' + value;
                case 'dynamic':
                    return this.dynamic(node.lower, '$.set(' + this.spell(node.lower) + ', ' + value + ')',
                                        local(node.lower) + ' = ' + value);
                case 'global':
                    if (r.entry && (r.entry.kind === 'const' || r.entry.kind === 'proc')) {
                        fail(node.line, "illegal assignment: '" + node.name + "'");
                    }
                    return '$.set(' + this.spell(node.lower) + ', ' + value + ')';
                default:
                    fail(node.line, "illegal assignment: '" + node.name + "'");
            }
            return null;
        }

        // What a name means here: {kind: 'local'|'result'|'dynamic'|'global'|'builtin'|'constant'}.
        resolve(node) {
            const lower = node.lower;
            const scope = this.scope;
            const top = scope.kind === 'top' ? scope : scope.top;
            if (scope.kind === 'proc') {
                const entry = scope.locals.get(lower);
                if (entry) return { kind: 'local', entry };
                const proc = scope.proc;
                if (proc.procKind === 'function' && lower === proc.lower) return { kind: 'result' };
                if (scope.dynamic.has(lower)) return { kind: 'dynamic' };
            }
            const entry = top.declared.get(lower);
            if (entry || top.assigned.has(lower)) return { kind: 'global', entry };
            if (BUILTINS.has(lower)) return { kind: 'builtin', arity: BUILTINS.get(lower) };
            if (CONSTANTS.has(lower)) return { kind: 'constant', js: CONSTANTS.get(lower) };
            if (UNSUPPORTED_BUILTINS.has(lower)) fail(node.line, "'" + node.name + "' is not supported");
            return { kind: 'global', entry: null };
        }

        builtinCall(node, arity, args) {
            if (args.length < arity[0] || args.length > arity[1]) {
                fail(node.line, "wrong number of arguments to '" + node.name + "'");
            }
            return '$.f.' + node.lower + '(' + this.exprs(args) + ')';
        }

        // Reading a name without arguments: a variable's value, or the result of calling a
        // procedure or method of that name.
        readName(node) {
            const r = this.resolve(node);
            switch (r.kind) {
                case 'local': return local(node.lower);
                case 'result': return '$r';
                case 'dynamic':
                    return this.dynamic(node.lower, '$.get(' + this.spell(node.lower) + ')', local(node.lower));
                case 'global':
                    if (r.entry && r.entry.kind === 'proc' && r.entry.node.params.length !== 0) {
                        fail(node.line, "wrong number of arguments to '" + node.name + "'");
                    }
                    return '$.get(' + this.spell(node.lower) + ')';
                case 'builtin': return this.builtinCall(node, r.arity, []);
                case 'constant': return r.js;
                default: return fail(node.line, 'unexpected name');
            }
        }

        // fn(args): a call, or indexing for arrays and collections.
        callExpr(fn, args, line) {
            const list = '[' + this.exprs(args) + ']';
            if (fn.kind === 'member') {
                return '$.callM(' + this.expr(fn.object) + ', ' + jsString(fn.name) + ', ' + list + ')';
            }
            if (fn.kind !== 'name') return '$.invoke(' + this.expr(fn) + ', ' + list + ')';
            const r = this.resolve(fn);
            switch (r.kind) {
                case 'local': return '$.invoke(' + local(fn.lower) + ', ' + list + ')';
                case 'result': return '$.call(' + this.spell(fn.lower) + ', ' + list + ')';
                case 'dynamic':
                    return this.dynamic(fn.lower, '$.call(' + this.spell(fn.lower) + ', ' + list + ')',
                                        '$.invoke(' + local(fn.lower) + ', ' + list + ')');
                case 'global': {
                    const proc = r.entry && r.entry.kind === 'proc' ? r.entry.node : null;
                    if (proc && proc.params.length !== args.length) {
                        fail(line, "wrong number of arguments to '" + fn.name + "'");
                    }
                    return '$.call(' + this.spell(fn.lower) + ', ' + list + ')';
                }
                case 'builtin': return this.builtinCall(fn, r.arity, args);
                default: return fail(line, "'" + fn.name + "' cannot be called");
            }
        }

        exprs(list) {
            return list.map((e) => this.expr(e)).join(', ');
        }

        expr(e) {
            switch (e.kind) {
                case 'num': return jsNumber(e.value);
                case 'str': return jsString(e.value);
                case 'lit': return e.value === undefined ? 'void 0' : String(e.value);
                case 'paren': return '(' + this.expr(e.expr) + ')';
                case 'name': return this.readName(e);
                case 'member': return '$.getM(' + this.expr(e.object) + ', ' + jsString(e.name) + ')';
                case 'apply': return this.callExpr(e.fn, e.args, e.line);
                case 'unary':
                    if (e.op === 'not') return '$.not(' + this.expr(e.expr) + ')';
                    if (e.op === '-') return '$.neg(' + this.expr(e.expr) + ')';
                    return '$.pos(' + this.expr(e.expr) + ')';
                case 'binary': {
                    const helper = OPERATOR_HELPERS.get(e.op);
                    let call = '$.' + helper + '(' + this.expr(e.left) + ', ' + this.expr(e.right);
                    // A literal compared with a value of the other type is converted to it.
                    if (COMPARISONS.has(e.op)) {
                        const flags = (isLiteral(e.left) ? 1 : 0) | (isLiteral(e.right) ? 2 : 0);
                        if (flags) call += ', ' + flags;
                    }
                    return call + ')';
                }
                default: return fail(e.line, 'unexpected expression');
            }
        }

        truth(cond) {
            return '$.truth(' + this.expr(cond) + ')';
        }

        nested(body) {
            this.indent++;
            this.block(body);
            this.indent--;
        }

        ifStatement(stmt) {
            stmt.branches.forEach((b, i) => {
                this.emit((i === 0 ? 'if (' : '} else if (') + this.truth(b.cond) + ') {');
                this.nested(b.body);
            });
            if (stmt.otherwise) {
                this.emit('} else {');
                this.nested(stmt.otherwise);
            }
            this.emit('}');
        }

        loop(kind, emitLoop) {
            const label = 'L' + (++this.counter);
            this.loops.push({ kind, label });
            emitLoop(label, this.counter);
            this.loops.pop();
        }

        forStatement(stmt) {
            this.loop('for', (label, n) => {
                const from = '$f' + n, to = '$t' + n, step = '$s' + n;
                // The bounds and the step are evaluated once, before the loop.
                const stepValue = stmt.step ? '$.num(' + this.expr(stmt.step) + ')' : '1';
                this.emit('var ' + from + ' = $.num(' + this.expr(stmt.from) + '), ' +
                          to + ' = $.num(' + this.expr(stmt.to) + '), ' + step + ' = ' + stepValue + ';');
                const counter = this.readName(stmt.counter);
                const start = this.store(stmt.counter, from);
                const test = '$.forGo(' + counter + ', ' + to + ', ' + step + ')';
                const advance = this.store(stmt.counter, '$.add(' + counter + ', ' + step + ')');
                this.emit(label + ': for (' + start + '; ' + test + '; ' + advance + ') {');
                this.nested(stmt.body);
                this.emit('}');
            });
        }

        forEachStatement(stmt) {
            this.loop('for', (label, n) => {
                const items = '$e' + n, index = '$i' + n;
                this.emit('var ' + items + ' = $.each(' + this.expr(stmt.collection) + ');');
                const header = 'var ' + index + ' = 0; ' + index + ' < ' + items + '.length; ' +
                               index + '++';
                this.emit(label + ': for (' + header + ') {');
                this.indent++;
                this.emit(this.store(stmt.counter, items + '[' + index + ']') + ';');
                this.block(stmt.body);
                this.indent--;
                this.emit('}');
            });
        }

        whileStatement(stmt) {
            this.loop('while', (label) => {
                this.emit(label + ': while (' + this.truth(stmt.cond) + ') {');
                this.nested(stmt.body);
                this.emit('}');
            });
        }

        doStatement(stmt) {
            this.loop('do', (label) => {
                const test = stmt.test;
                const cond = test ? (test.until ? '!' : '') + this.truth(test.cond) : '';
                if (!test) this.emit(label + ': for (;;) {');
                else if (!test.after) this.emit(label + ': while (' + cond + ') {');
                else this.emit(label + ': do {');
                this.nested(stmt.body);
                this.emit(test && test.after ? '} while (' + cond + ');' : '}');
            });
        }

        exitStatement(stmt) {
            if (stmt.what === 'for' || stmt.what === 'do') {
                for (let i = this.loops.length - 1; i >= 0; i--) {
                    if (this.loops[i].kind === stmt.what) {
                        this.emit('break ' + this.loops[i].label + ';');
                        return;
                    }
                }
                const display = stmt.what === 'for' ? 'For' : 'Do';
                fail(stmt.line, "'Exit " + display + "' outside of a '" + display + "' loop");
            }
            const proc = this.scope.proc;
            if (!proc || proc.procKind !== stmt.what) {
                const display = stmt.what === 'sub' ? 'Sub' : 'Function';
                fail(stmt.line, "'Exit " + display + "' outside of a '" + display + "'");
            }
            this.emit(stmt.what === 'function' ? 'return $r;' : 'return;');
        }
    }

    function mayBeArray(e) {
        if (e.kind === 'paren') return mayBeArray(e.expr);
        return e.kind === 'name' || e.kind === 'member' || e.kind === 'apply';
    }

    function isLiteral(e) {
        if (e.kind === 'paren') return isLiteral(e.expr);
        if (e.kind === 'unary' && (e.op === '-' || e.op === '+')) return isLiteral(e.expr);
        return e.kind === 'num' || e.kind === 'str';
    }

    // Each name's spelling in the generated code: procedures as defined, everything else as it
    // first appears in the script. The run-time keeps the first spelling it ever saw.
    function spellings(program, tokens) {
        const spelling = new Map();
        for (let i = 0; i < tokens.length; i++) {
            const tok = tokens[i];
            const afterDot = i > 0 && tokens[i - 1].type === 'op' && tokens[i - 1].value === '.';
            if (tok.type === 'word' && !afterDot && !spelling.has(tok.value)) {
                spelling.set(tok.value, tok.text);
            }
        }
        for (const stmt of program) if (stmt.kind === 'proc') spelling.set(stmt.lower, stmt.name);
        return spelling;
    }

    // ------------------------------------------------------------------ run-time

    // Installed once into a page window by the generated code (this function's source text is part
    // of every translation). It runs in the page's world, so it takes what it needs from the page's
    // builtins when it is installed and calls them through Reflect.apply: replacing a prototype
    // method later does not reach it. It must not use anything outside its own body.
    function installRuntime(window) {
        'use strict';
        const apply = Reflect.apply;
        const create = Object.create;
        const defineProperty = Object.defineProperty;
        const getOwnPropertyNames = Object.getOwnPropertyNames;
        const getOwnPropertyDescriptor = Object.getOwnPropertyDescriptor;
        const getPrototypeOf = Object.getPrototypeOf;
        const isArray = Array.isArray;
        const ErrorCtor = Error;
        const StringCtor = String;
        const DateCtor = Date;
        const fromCharCode = String.fromCharCode;
        const floor = Math.floor;
        const ceil = Math.ceil;
        const abs = Math.abs;
        const power = Math.pow;
        const toLowerCase = String.prototype.toLowerCase;
        const toUpperCase = String.prototype.toUpperCase;
        const charCodeAt = String.prototype.charCodeAt;
        const indexOf = String.prototype.indexOf;
        const substring = String.prototype.substring;
        const toPrecision = Number.prototype.toPrecision;
        const toExponential = Number.prototype.toExponential;
        const numberToString = Number.prototype.toString;
        const weakMapGet = WeakMap.prototype.get;
        const weakMapSet = WeakMap.prototype.set;
        const weakSetHas = WeakSet.prototype.has;
        const weakSetAdd = WeakSet.prototype.add;
        const dateParts = [Date.prototype.getFullYear, Date.prototype.getMonth, Date.prototype.getDate,
                           Date.prototype.getHours, Date.prototype.getMinutes, Date.prototype.getSeconds];

        const lower = (s) => apply(toLowerCase, s, []);
        const upper = (s) => apply(toUpperCase, s, []);
        const codeAt = (s, i) => apply(charCodeAt, s, [i]);
        const find = (s, what, from) => apply(indexOf, s, [what, from]);
        const part = (s, from, to) => apply(substring, s, [from, to]);

        // ---- errors

        const reported = new WeakSet();

        function vbError(message) {
            return new ErrorCtor(message);
        }

        // Marks an error with the VBScript line it came from (once: the innermost line wins).
        function failAt(e, line) {
            if (isObject(e) && apply(weakSetHas, reported, [e])) return e;
            let message;
            try {
                message = isObject(e) && typeof e.message === 'string' ? e.message : StringCtor(e);
            } catch (ignored) {
                message = 'error';
            }
            const err = new ErrorCtor('VBScript line ' + line + ': ' + message);
            apply(weakSetAdd, reported, [err]);
            return err;
        }

        // ---- values: Empty is undefined, Null and Nothing are null, booleans are True/False.

        function isObject(v) {
            // document.all is an object whose typeof is "undefined".
            if (v === undefined || v === null) return false;
            const t = typeof v;
            return t === 'object' || t === 'function' || t === 'undefined';
        }

        const isBlankCode = (c) => c === 32 || c === 9;

        // VBScript's numeric text: blanks, sign, digits with one point, E or D exponent; or &H, &O.
        function parseNumber(s) {
            let i = 0;
            let end = s.length;
            while (i < end && isBlankCode(codeAt(s, i))) i++;
            while (end > i && isBlankCode(codeAt(s, end - 1))) end--;
            if (i === end) return NaN;
            if (codeAt(s, i) === 38 /* & */ && end - i > 2) {
                const kind = codeAt(s, i + 1) | 32;
                const radix = kind === 104 /* h */ ? 16 : kind === 111 /* o */ ? 8 : 0;
                if (!radix) return NaN;
                let value = 0;
                for (let j = i + 2; j < end; j++) {
                    const c = codeAt(s, j) | 32;
                    const digit = c >= 48 && c <= 57 ? c - 48 : c >= 97 && c <= 102 ? c - 87 : 99;
                    if (digit >= radix) return NaN;
                    value = value * radix + digit;
                }
                if (value > 0xffffffff) return NaN;
                if (value <= 0xffff) return value > 0x7fff ? value - 0x10000 : value;
                return value > 0x7fffffff ? value - 0x100000000 : value;
            }
            let text = '';
            let j = i;
            const c0 = codeAt(s, j);
            if (c0 === 43 || c0 === 45) {
                if (c0 === 45) text = '-';
                j++;
            }
            let digits = 0;
            let point = false;
            for (; j < end; j++) {
                const c = codeAt(s, j);
                if (c >= 48 && c <= 57) {
                    digits++;
                    text += fromCharCode(c);
                } else if (c === 46 && !point) {
                    point = true;
                    text += '.';
                } else {
                    break;
                }
            }
            if (digits === 0) return NaN;
            if (j < end && ((codeAt(s, j) | 32) === 101 || (codeAt(s, j) | 32) === 100)) {
                text += 'e';
                j++;
                if (j < end && (codeAt(s, j) === 43 || codeAt(s, j) === 45)) {
                    text += fromCharCode(codeAt(s, j++));
                }
                let expDigits = 0;
                for (; j < end && codeAt(s, j) >= 48 && codeAt(s, j) <= 57; j++) {
                    text += fromCharCode(codeAt(s, j));
                    expDigits++;
                }
                if (expDigits === 0) return NaN;
            }
            if (j !== end) return NaN;
            const value = +text;
            return value === value && value !== Infinity && value !== -Infinity ? value : NaN;
        }

        function toNum(v) {
            switch (typeof v) {
                case 'number': return v;
                case 'boolean': return v ? -1 : 0;
                case 'undefined': if (v === undefined) return 0; break;
                case 'string': {
                    const n = parseNumber(v);
                    if (n === n) return n;
                    throw vbError("Type mismatch: '" + v + "'");
                }
                default: break;
            }
            if (v === null) throw vbError('Invalid use of Null');
            throw vbError('Type mismatch');
        }

        // Round half to even, as VBScript's CInt, CLng and integer operators do.
        function roundEven(x) {
            const f = floor(x);
            const diff = x - f;
            if (diff > 0.5) return f + 1;
            if (diff < 0.5) return f;
            return f % 2 === 0 ? f : f + 1;
        }

        function toInteger(v, low, high) {
            const n = roundEven(toNum(v));
            if (n < low || n > high) throw vbError('Overflow');
            return n + 0;
        }

        const toLong = (v) => toInteger(v, -2147483648, 2147483647);

        function checked(n) {
            if (n !== n) throw vbError('Invalid procedure call or argument');
            if (n === Infinity || n === -Infinity) throw vbError('Overflow');
            return n + 0;
        }

        // Up to 15 significant digits, like VBScript's CStr of a Double.
        function formatNumber(n) {
            if (n === 0) return '0';
            const size = n < 0 ? -n : n;
            if (n === floor(n) && size < 1e15) return '' + n;
            const exp = apply(toExponential, n, [14]);
            const at = find(exp, 'e', 0);
            const exponent = +part(exp, at + 1);
            if (exponent >= 15 || exponent < -4) {
                let mantissa = trimZeros(part(exp, 0, at));
                const e = exponent < 0 ? -exponent : exponent;
                return mantissa + 'E' + (exponent < 0 ? '-' : '+') + (e < 10 ? '0' : '') + e;
            }
            return trimZeros(apply(toPrecision, n, [15]));
        }

        function trimZeros(s) {
            if (find(s, '.', 0) < 0) return s;
            let end = s.length;
            while (codeAt(s, end - 1) === 48) end--;
            if (codeAt(s, end - 1) === 46) end--;
            return part(s, 0, end);
        }

        function toStr(v) {
            switch (typeof v) {
                case 'string': return v;
                case 'number': return formatNumber(v);
                case 'boolean': return v ? 'True' : 'False';
                default: break;
            }
            if (v === undefined || v === null) return '';
            return StringCtor(v);
        }

        function truth(v) {
            switch (typeof v) {
                case 'boolean': return v;
                case 'number': return v !== 0;
                case 'string': {
                    const l = lower(v);
                    if (l === 'true') return true;
                    if (l === 'false') return false;
                    return toNum(v) !== 0;
                }
                default: break;
            }
            if (v === undefined || v === null) return false;
            return true;
        }

        // Operands of Not / And / Or / Xor: Booleans stay logical, everything else is a Long.
        function toLogic(v) {
            if (typeof v === 'string') {
                const l = lower(v);
                if (l === 'true') return -1;
                if (l === 'false') return 0;
            }
            return toLong(v);
        }

        // -1, 0, 1, or null when Null takes part. A literal compared with text of the other kind
        // (5 = "5") is compared as a number; otherwise a number sorts before any text.
        function compare(a, b, literal) {
            if (a === null || b === null) return null;
            if (typeof a === 'boolean') a = a ? -1 : 0;
            if (typeof b === 'boolean') b = b ? -1 : 0;
            if (isObject(a)) a = toStr(a);
            if (isObject(b)) b = toStr(b);
            if (a === undefined && b === undefined) return 0;
            if (a === undefined) a = typeof b === 'string' ? '' : 0;
            if (b === undefined) b = typeof a === 'string' ? '' : 0;
            const an = typeof a === 'number';
            const bn = typeof b === 'number';
            if (an !== bn && literal) {
                const n = parseNumber(an ? b : a);
                if (n === n) {
                    if (an) b = n;
                    else a = n;
                    return a < b ? -1 : a > b ? 1 : 0;
                }
            }
            if (an !== bn) return an ? -1 : 1;
            return a < b ? -1 : a > b ? 1 : 0;
        }

        function copyValue(v) {
            if (!isArray(v)) return v;
            const out = [];
            for (let i = 0; i < v.length; i++) out[i] = copyValue(v[i]);
            return out;
        }

        function makeArray(bounds, dim) {
            const out = [];
            const size = bounds[dim] + 1;
            const inner = dim + 1 < bounds.length;
            for (let i = 0; i < size; i++) out[i] = inner ? makeArray(bounds, dim + 1) : undefined;
            return out;
        }

        function subscript(array, index) {
            const i = toLong(index);
            if (!isArray(array) || i < 0 || i >= array.length) throw vbError('Subscript out of range');
            return i;
        }

        // ---- case-insensitive members

        const nameMaps = new WeakMap(); // object or prototype -> lower-case name -> [real names]

        function namesOf(level) {
            const map = create(null);
            const names = getOwnPropertyNames(level);
            for (let i = 0; i < names.length; i++) {
                const l = lower(names[i]);
                const list = map[l] || (map[l] = []);
                list[list.length] = names[i];
            }
            apply(weakMapSet, nameMaps, [level, map]);
            return map;
        }

        // Best match along the chain: the exact name, then another spelling, each first among
        // enumerable members. A window has both "Document" (the interface, not enumerable) and
        // "document"; VBScript's Document means the latter.
        function searchChain(obj, name, wanted, fresh) {
            let exactHidden;
            let caseless;
            let caselessHidden;
            for (let level = obj; level !== null; level = getPrototypeOf(level)) {
                const map = (!fresh && apply(weakMapGet, nameMaps, [level])) || namesOf(level);
                const list = map[wanted];
                if (list === undefined) continue;
                for (let i = 0; i < list.length; i++) {
                    const real = list[i];
                    const d = getOwnPropertyDescriptor(level, real);
                    if (d === undefined) continue; // deleted since it was cached
                    if (real === name) {
                        if (d.enumerable) return real;
                        if (exactHidden === undefined) exactHidden = real;
                    } else if (d.enumerable) {
                        if (caseless === undefined) caseless = real;
                    } else if (caselessHidden === undefined) {
                        caselessHidden = real;
                    }
                }
            }
            if (caseless !== undefined) return caseless;
            return exactHidden !== undefined ? exactHidden : caselessHidden;
        }

        // The member's real name, or undefined if there is none in any letter case.
        function findMember(obj, name) {
            if (name in obj) {
                const d = descriptorOf(obj, name);
                if (d === undefined || d.enumerable) return name;
            }
            const wanted = lower(name);
            const real = searchChain(obj, name, wanted, false);
            // Names are cached; a miss may be a member added since.
            return real !== undefined ? real : searchChain(obj, name, wanted, true);
        }

        function descriptorOf(obj, name) {
            for (let level = obj; level !== null; level = getPrototypeOf(level)) {
                const d = getOwnPropertyDescriptor(level, name);
                if (d !== undefined) return d;
            }
            return undefined;
        }

        // A method is a function kept in a data property; an accessor yielding a function (an
        // event handler) is a property.
        function methodOf(obj, name) {
            const d = descriptorOf(obj, name);
            if (d === undefined) return undefined;
            const value = getOwnPropertyDescriptor(d, 'value');
            return value !== undefined && typeof value.value === 'function' ? value.value : undefined;
        }

        function requireObject(obj, name) {
            if (!isObject(obj)) throw vbError("Object required: '" + name + "'");
            return obj;
        }

        function memberOrFail(obj, name) {
            const real = findMember(obj, name);
            if (real === undefined) {
                throw vbError("Object doesn't support this property or method: '" + name + "'");
            }
            return real;
        }

        function getMember(obj, name) {
            requireObject(obj, name);
            const real = memberOrFail(obj, name);
            const method = methodOf(obj, real);
            return method ? apply(method, obj, []) : obj[real];
        }

        function callMember(obj, name, args) {
            requireObject(obj, name);
            const real = memberOrFail(obj, name);
            const method = methodOf(obj, real);
            if (method) return apply(method, obj, args);
            return invoke(obj[real], args, obj);
        }

        function setMember(obj, name, value) {
            requireObject(obj, name);
            const real = findMember(obj, name);
            obj[real === undefined ? name : real] = value;
        }

        // value(args): call a function, index an array, or pick a collection's item.
        function invoke(value, args, self) {
            if (typeof value === 'function') return apply(value, self, args);
            if (args.length === 0) return value;
            if (isArray(value)) {
                let v = value;
                for (let i = 0; i < args.length; i++) v = v[subscript(v, args[i])];
                return v;
            }
            if (!isObject(value)) throw vbError('Type mismatch');
            if (args.length !== 1) throw vbError('Wrong number of arguments');
            return itemOf(value, args[0]);
        }

        function itemOf(collection, key) {
            let found;
            if (typeof key === 'number' || typeof key === 'boolean') {
                const index = roundEven(toNum(key));
                const item = methodOf(collection, 'item');
                found = item ? apply(item, collection, [index]) : collection[index];
            } else {
                const name = toStr(key);
                const named = methodOf(collection, 'namedItem');
                const item = methodOf(collection, 'item');
                if (named) found = apply(named, collection, [name]);
                else if (item) found = apply(item, collection, [name]);
                else found = collection[name];
            }
            return found === undefined ? null : found;
        }

        function setIndex(container, args, value) {
            if (!isArray(container)) throw vbError('Type mismatch: this is not an array');
            let v = container;
            for (let i = 0; i < args.length - 1; i++) v = v[subscript(v, args[i])];
            v[subscript(v, args[args.length - 1])] = value;
        }

        function each(value) {
            const out = [];
            if (isArray(value)) {
                for (let i = 0; i < value.length; i++) out[i] = value[i];
                return out;
            }
            if (!isObject(value) || typeof value.length !== 'number') {
                throw vbError('Object not a collection');
            }
            const item = methodOf(value, 'item');
            for (let i = 0; i < value.length; i++) {
                let v = value[i];
                if (v === undefined && item) v = apply(item, value, [i]);
                out[i] = v;
            }
            return out;
        }

        // ---- global names: variables, procedures, then the window's own members

        const variables = create(null);  // lower-case name -> {name, value}
        const procedures = create(null); // lower-case name -> {name, fn, argc}

        // Property descriptors without a prototype: a page that put 'get' or 'value' on
        // Object.prototype cannot change what they say.
        function accessorDescriptor(get, set) {
            const d = create(null);
            d.get = get;
            d.set = set;
            d.enumerable = true;
            d.configurable = true;
            return d;
        }

        function valueDescriptor(value, open) {
            const d = create(null);
            d.value = value;
            d.writable = open;
            d.enumerable = open;
            d.configurable = open;
            return d;
        }

        function makeVariable(name) {
            const cell = create(null);
            cell.name = name;
            cell.value = undefined;
            variables[lower(name)] = cell;
            // Visible to page scripts as window.<name>, unless the window already has that member.
            if (!(name in window)) {
                try {
                    const get = () => cell.value;
                    const set = (v) => { cell.value = v; };
                    defineProperty(window, name, accessorDescriptor(get, set));
                } catch (ignored) {
                    // A window that refuses the property keeps the variable to VBScript.
                }
            }
            return cell;
        }

        function callProcedure(p, args) {
            if (args.length !== p.argc) throw vbError("Wrong number of arguments: '" + p.name + "'");
            return apply(p.fn, undefined, args);
        }

        function windowMember(name) {
            return findMember(window, name);
        }

        const rt = create(null);

        rt.dim = (name, bounds) => {
            const cell = variables[lower(name)] || makeVariable(name);
            if (bounds) cell.value = makeArray(bounds, 0);
        };

        rt.get = (name) => {
            const l = lower(name);
            const cell = variables[l];
            if (cell) return cell.value;
            const p = procedures[l];
            if (p) return callProcedure(p, []);
            const real = windowMember(name);
            if (real === undefined) return undefined;
            const method = methodOf(window, real);
            return method ? apply(method, window, []) : window[real];
        };

        // A variable's own value: never calls.
        rt.ref = (name) => {
            const cell = variables[lower(name)];
            if (cell) return cell.value;
            const real = windowMember(name);
            return real === undefined ? undefined : window[real];
        };

        rt.call = (name, args) => {
            const l = lower(name);
            const cell = variables[l];
            if (cell) return invoke(cell.value, args, window);
            const p = procedures[l];
            if (p) return callProcedure(p, args);
            const real = windowMember(name);
            if (real === undefined) throw vbError("Type mismatch: '" + name + "'");
            const method = methodOf(window, real);
            return method ? apply(method, window, args) : invoke(window[real], args, window);
        };

        rt.set = (name, value) => {
            const l = lower(name);
            const cell = variables[l];
            if (cell) {
                cell.value = value;
                return;
            }
            if (procedures[l]) throw vbError("Illegal assignment: '" + name + "'");
            const real = windowMember(name);
            if (real !== undefined) window[real] = value;
            else makeVariable(name).value = value;
        };

        rt.isGlobal = (name) => {
            const l = lower(name);
            return !!(variables[l] || procedures[l]) || windowMember(name) !== undefined;
        };

        // A Sub or Function: a function of the window under its own name, callable from VBScript
        // under any spelling. A later definition replaces an earlier one.
        rt.proc = (name, argc, fn) => {
            const l = lower(name);
            const before = procedures[l];
            const p = create(null);
            p.name = before ? before.name : name;
            p.fn = fn;
            p.argc = argc;
            procedures[l] = p;
            variables[l] = undefined;
            const names = p.name === name ? [name] : [p.name, name];
            for (let i = 0; i < names.length; i++) {
                try {
                    defineProperty(window, names[i], valueDescriptor(fn, true));
                } catch (notConfigurable) {
                    try {
                        window[names[i]] = fn;
                    } catch (ignored) {
                        // Still callable from VBScript.
                    }
                }
            }
        };

        rt.getM = getMember;
        rt.callM = callMember;
        rt.setM = setMember;
        rt.invoke = (value, args) => invoke(value, args, undefined);
        rt.setIndex = setIndex;
        rt.each = each;
        rt.array = (bounds) => makeArray(bounds, 0);
        rt.copy = copyValue;
        rt.fail = failAt;
        rt.truth = truth;
        rt.num = (v) => toNum(v);
        rt.forGo = (counter, to, step) => {
            const n = toNum(counter);
            return step >= 0 ? n <= to : n >= to;
        };

        // ---- operators

        rt.cat = (a, b) => toStr(a) + toStr(b);
        rt.add = (a, b) => {
            if (a === null || b === null) return null;
            const as = typeof a === 'string';
            const bs = typeof b === 'string';
            if (as && (bs || b === undefined)) return a + (bs ? b : '');
            if (bs && a === undefined) return b;
            return checked(toNum(a) + toNum(b));
        };
        const numeric = (op) => (a, b) => {
            if (a === null || b === null) return null;
            return checked(op(toNum(a), toNum(b)));
        };
        rt.sub = numeric((x, y) => x - y);
        rt.mul = numeric((x, y) => x * y);
        rt.div = numeric((x, y) => {
            if (y === 0) throw vbError('Division by zero');
            return x / y;
        });
        rt.pow = numeric((x, y) => power(x, y));
        rt.idiv = (a, b) => {
            if (a === null || b === null) return null;
            const x = toLong(a);
            const y = toLong(b);
            if (y === 0) throw vbError('Division by zero');
            const q = x / y;
            return (q < 0 ? ceil(q) : floor(q)) + 0;
        };
        rt.mod = (a, b) => {
            if (a === null || b === null) return null;
            const x = toLong(a);
            const y = toLong(b);
            if (y === 0) throw vbError('Division by zero');
            return (x % y) + 0;
        };
        rt.neg = (a) => (a === null ? null : checked(0 - toNum(a)));
        rt.pos = (a) => a;

        const comparison = (test) => (a, b, literal) => {
            const c = compare(a, b, literal);
            return c === null ? null : test(c);
        };
        rt.eq = comparison((c) => c === 0);
        rt.ne = comparison((c) => c !== 0);
        rt.lt = comparison((c) => c < 0);
        rt.gt = comparison((c) => c > 0);
        rt.le = comparison((c) => c <= 0);
        rt.ge = comparison((c) => c >= 0);
        rt.is = (a, b) => ((a === null || a === undefined) && (b === null || b === undefined)) || a === b;

        rt.not = (a) => {
            if (a === null) return null;
            if (typeof a === 'boolean') return !a;
            return ~toLogic(a);
        };
        const isFalse = (v) => v === false || (typeof v === 'number' && v === 0);
        rt.and = (a, b) => {
            if (typeof a === 'boolean' && typeof b === 'boolean') return a && b;
            if (a === null || b === null) {
                const other = a === null ? b : a;
                return isFalse(other) ? other : null;
            }
            return toLogic(a) & toLogic(b);
        };
        rt.or = (a, b) => {
            if (typeof a === 'boolean' && typeof b === 'boolean') return a || b;
            if (a === null || b === null) {
                const other = a === null ? b : a;
                return other === true || other === -1 ? other : null;
            }
            return toLogic(a) | toLogic(b);
        };
        rt.xor = (a, b) => {
            if (typeof a === 'boolean' && typeof b === 'boolean') return a !== b;
            if (a === null || b === null) return null;
            return toLogic(a) ^ toLogic(b);
        };

        // ---- built-in functions

        const f = create(null);
        rt.f = f;

        const nullOr = (fn) => function (v) {
            return v === null ? null : apply(fn, undefined, arguments);
        };
        const notNull = (v) => {
            if (v === null) throw vbError('Invalid use of Null');
            return v;
        };
        function count(v) {
            const n = toLong(v);
            if (n < 0) throw vbError('Invalid procedure call or argument');
            return n;
        }
        function trimEnds(s, left, right) {
            let i = 0;
            let end = s.length;
            if (left) while (i < end && codeAt(s, i) === 32) i++;
            if (right) while (end > i && codeAt(s, end - 1) === 32) end--;
            return part(s, i, end);
        }
        function requireArray(v) {
            if (!isArray(v)) throw vbError('Type mismatch: not an array');
            return v;
        }

        f.len = nullOr((v) => toStr(v).length);
        f.left = nullOr((s, n) => part(toStr(s), 0, count(n)));
        f.right = nullOr((s, n) => {
            const t = toStr(s);
            const k = count(n);
            return part(t, k >= t.length ? 0 : t.length - k);
        });
        f.mid = nullOr(function (s, start, length) {
            const t = toStr(s);
            const from = toLong(start);
            if (from < 1) throw vbError('Invalid procedure call or argument');
            if (arguments.length < 3) return part(t, from - 1);
            return part(t, from - 1, from - 1 + count(length));
        });
        f.instr = function (a, b, c, d) {
            const hasStart = arguments.length >= 3;
            const start = hasStart ? notNull(a) : 1;
            const text = hasStart ? b : a;
            const sought = hasStart ? c : b;
            if (text === null || sought === null) return null;
            const from = toLong(start);
            if (from < 1) throw vbError('Invalid procedure call or argument');
            let t = toStr(text);
            let s = toStr(sought);
            if (arguments.length >= 4 && toLong(notNull(d)) === 1) {
                t = lower(t);
                s = lower(s);
            }
            if (from > t.length) return 0;
            if (s === '') return from;
            return find(t, s, from - 1) + 1;
        };
        f.ucase = nullOr((v) => upper(toStr(v)));
        f.lcase = nullOr((v) => lower(toStr(v)));
        f.trim = nullOr((v) => trimEnds(toStr(v), true, true));
        f.ltrim = nullOr((v) => trimEnds(toStr(v), true, false));
        f.rtrim = nullOr((v) => trimEnds(toStr(v), false, true));
        f.cstr = (v) => toStr(notNull(v));
        f.cint = (v) => toInteger(notNull(v), -32768, 32767);
        f.clng = (v) => toLong(notNull(v));
        f.cdbl = (v) => toNum(notNull(v));
        f.cbool = (v) => truth(notNull(v));
        f.isnumeric = (v) => {
            if (typeof v === 'number' || typeof v === 'boolean' || v === undefined) return true;
            if (typeof v !== 'string') return false;
            const n = parseNumber(v);
            return n === n;
        };
        f.chr = (v) => {
            const n = toLong(v);
            if (n < 0 || n > 0xffff) throw vbError('Invalid procedure call or argument');
            return fromCharCode(n);
        };
        f.asc = (v) => {
            const s = toStr(notNull(v));
            if (s === '') throw vbError('Invalid procedure call or argument');
            return codeAt(s, 0);
        };
        f.now = () => {
            const d = new DateCtor();
            const p = [];
            for (let i = 0; i < dateParts.length; i++) p[i] = apply(dateParts[i], d, []);
            const two = (n) => (n < 10 ? '0' : '') + n;
            return p[0] + '/' + (p[1] + 1) + '/' + p[2] + ' ' + p[3] + ':' + two(p[4]) + ':' + two(p[5]);
        };
        // The page's current alert (or confirm, for a box with a choice): a page that silenced
        // its dialogs shows nothing.
        f.msgbox = (prompt, buttons) => {
            const text = toStr(prompt);
            const kind = buttons === undefined ? 0 : toLong(buttons) & 7;
            if (kind === 0 || kind > 5) {
                const alert = window.alert;
                if (typeof alert === 'function') apply(alert, window, [text]);
                return 1;
            }
            const confirm = window.confirm;
            const yes = typeof confirm === 'function' ? !!apply(confirm, window, [text]) : false;
            const answers = [null, [1, 2], [4, 3], [6, 2], [6, 7], [4, 2]][kind];
            return yes ? answers[0] : answers[1];
        };
        f.ubound = (v, dim) => {
            let a = requireArray(v);
            const d = dim === undefined ? 1 : toLong(dim);
            if (d < 1) throw vbError('Subscript out of range');
            for (let i = 1; i < d; i++) {
                if (!isArray(a[0])) throw vbError('Subscript out of range');
                a = a[0];
            }
            return a.length - 1;
        };
        f.lbound = (v) => {
            requireArray(v);
            return 0;
        };
        f.isempty = (v) => v === undefined;
        f.isnull = (v) => v === null;
        f.isarray = (v) => isArray(v);
        f.isobject = (v) => isObject(v);
        f.abs = nullOr((v) => abs(toNum(v)));
        f.int = nullOr((v) => floor(toNum(v)) + 0);
        f.fix = nullOr((v) => {
            const n = toNum(v);
            return (n < 0 ? ceil(n) : floor(n)) + 0;
        });
        f.replace = nullOr(function (text, sought, by, start, times, mode) {
            let t = toStr(text);
            const s = toStr(notNull(sought));
            const r = toStr(notNull(by));
            const from = arguments.length >= 4 ? toLong(start) : 1;
            let left = arguments.length >= 5 ? toLong(times) : -1;
            if (from < 1 || left < -1) throw vbError('Invalid procedure call or argument');
            const caseless = arguments.length >= 6 && toLong(mode) === 1;
            t = part(t, from - 1);
            if (s === '' || left === 0) return t;
            const hay = caseless ? lower(t) : t;
            const needle = caseless ? lower(s) : s;
            let out = '';
            let at = 0;
            for (let hit = find(hay, needle, 0); hit >= 0 && left !== 0; hit = find(hay, needle, at)) {
                out += part(t, at, hit) + r;
                at = hit + s.length;
                if (left > 0) left--;
            }
            return out + part(t, at);
        });
        f.split = function (text, delimiter, limit, mode) {
            const t = toStr(notNull(text));
            const d = arguments.length >= 2 ? toStr(notNull(delimiter)) : ' ';
            let left = arguments.length >= 3 ? toLong(limit) : -1;
            const caseless = arguments.length >= 4 && toLong(mode) === 1;
            const out = [];
            if (t === '') return out;
            if (d === '' || left === 1) {
                out[0] = t;
                return out;
            }
            const hay = caseless ? lower(t) : t;
            const needle = caseless ? lower(d) : d;
            let at = 0;
            for (let hit = find(hay, needle, 0); hit >= 0 && left !== 1; hit = find(hay, needle, at)) {
                out[out.length] = part(t, at, hit);
                at = hit + d.length;
                if (left > 0) left--;
            }
            out[out.length] = part(t, at);
            return out;
        };
        f.join = function (list, delimiter) {
            const a = requireArray(list);
            const d = arguments.length >= 2 ? toStr(notNull(delimiter)) : ' ';
            let out = '';
            for (let i = 0; i < a.length; i++) out += (i ? d : '') + toStr(a[i]);
            return out;
        };
        f.round = nullOr(function (v, digits) {
            const n = toNum(v);
            const k = arguments.length >= 2 ? count(digits) : 0;
            const scale = power(10, k);
            const x = n * scale;
            // A tie within floating-point noise still rounds to even (Round(2.5) = 2).
            const f0 = floor(x);
            const diff = x - f0;
            let r;
            if (abs(diff - 0.5) < 1e-9) r = f0 % 2 === 0 ? f0 : f0 + 1;
            else r = diff > 0.5 ? f0 + 1 : f0;
            return r / scale + 0;
        });
        f.space = (v) => {
            let out = '';
            for (let n = count(v); n > 0; n--) out += ' ';
            return out;
        };
        f.hex = nullOr((v) => {
            let n = toLong(v);
            if (n < 0) n += n >= -32768 ? 0x10000 : 0x100000000;
            return upper(apply(numberToString, n, [16]));
        });

        defineProperty(window, '__quelvoVbsRt', valueDescriptor(rt, false));
        return rt;
    }

    const RUNTIME_SOURCE = '(' + installRuntime.toString() + ')';

    // ------------------------------------------------------------------ entry point

    function translate(source) {
        try {
            if (typeof source !== 'string') return { ok: false, error: 'line 1: the script is not text' };
            const tokens = tokenize(source);
            const program = new Parser(tokens).parseProgram();
            return { ok: true, js: new Generator(program, tokens).generate() };
        } catch (e) {
            if (e instanceof CompileError) return { ok: false, error: 'line ' + e.line + ': ' + e.message };
            let reason = 'error';
            try {
                reason = e instanceof RangeError ? 'the script is nested too deeply'
                                                 : String(e && e.message);
            } catch (ignored) {
                // keep the generic reason
            }
            return { ok: false, error: 'line 1: cannot translate: ' + reason };
        }
    }

    return Object.freeze({ translate });
})();
