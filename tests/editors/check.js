// SPDX-License-Identifier: MIT
// Installs the unpacked .vsix into an extensions folder as VS Code does, checks what its
// manifest declares, and colours a script written here through vscode-textmate and
// vscode-oniguruma, the tokenizer VS Code itself runs the grammar with.
//   node check.js UNPACKED-VSIX EXTENSIONS-DIR
'use strict';
const assert = require('node:assert/strict');
const fs = require('node:fs');
const Module = require('node:module');
const path = require('node:path');
const textmate = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const [unpacked, extensions] = process.argv.slice(2).map((arg) => path.resolve(arg));

let passed = 0;
let failed = 0;
const check = async (name, body) => {
    try {
        await body();
        passed += 1;
        console.log(`ok - ${name}`);
    } catch (error) {
        failed += 1;
        console.log(`not ok - ${name}\n${error.message.replace(/^/gm, '    ')}`);
    }
};

function filesBelow(dir) {
    return fs.readdirSync(dir, { recursive: true, withFileTypes: true })
        .filter((entry) => entry.isFile())
        .map((entry) => path.relative(dir, path.join(entry.parentPath || entry.path, entry.name)).split(path.sep).join('/'));
}
const readJson = (file) => JSON.parse(fs.readFileSync(file, 'utf8'));

const manifest = readJson(path.join(unpacked, 'extension', 'package.json'));
const installed = path.join(extensions, `${manifest.publisher}.${manifest.name}-${manifest.version}`);
fs.rmSync(extensions, { recursive: true, force: true });
fs.mkdirSync(extensions, { recursive: true });
fs.cpSync(path.join(unpacked, 'extension'), installed, { recursive: true });
const inside = (relative) => path.join(installed, relative);
const language = (manifest.contributes.languages || []).find((entry) => entry.id === 'scp');
const grammar = (manifest.contributes.grammars || []).find((entry) => entry.language === 'scp');

// VS Code joins the two markers into one expression and matches it against each line.
function markerFolds(markers, lines) {
    const pattern = new RegExp(`(${new RegExp(markers.start).source})|(?:${new RegExp(markers.end).source})`);
    const ends = [];
    const folds = [];
    for (let line = lines.length - 1; line >= 0; line--) {
        const match = lines[line].match(pattern);
        if (!match)
            continue;
        if (match[1] === undefined)
            ends.push(line);
        else if (ends.length > 0)
            folds.unshift(`${line + 1}-${ends.pop() + 1}`);
    }
    return folds;
}

// The first line of each row is line 1.
const script = [
    '// The fixture\'s items.',
    '[ITEMDEF i_dagger]',
    'DEFNAME=i_dagger',
    'NAME=Dagger // the short blade',
    'RESOURCES=3 i_ingot_iron, 1 i_board, 2 i_rivet01',
    'SKILLMAKE=Blacksmithy 35.5',
    'COLOR=0481',
    'TEVENTS e_sharp',
    'ON=@Create',
    '    COLOR=<eval <SRC.COLOR>+1>',
    '    if (<SRC.DEX> > 50)',
    '        SRC.SAY "Hello <SRC.NAME>"',
    '    ELSEIF (<SRC.STR> < 10)',
    '        RETURN 1',
    '    Else',
    '        TAG.<ARGS>=1',
    '    ENDIF',
    '',
    '[FUNCTION f_swing]',
    'FORCHARS 5',
    '    SRC.SAY <SRC.NAME>',
    'ENDFOR',
    'While (<LOCAL.I> < 3)',
    '    DORAND 2',
    '        SAY one',
    '        SAY two',
    '    EndDo',
    'EndWhile',
    '',
    '[SPEECH spk_hello]',
    'ON=*hello*',
    '    SAY Hi <SRC.NAME>',
    '',
    '[MENU m_choose]',
    'Choose one',
    'ON=0 The first',
    '[BOOK b_tale 1]',
    'Once upon a time // page one',
    '[EOF]',
    'NAME=not read',
];

// Each row: the line, where in it the token starts (the text before "|" is the context that
// places it), the scopes the token must have and those the text there must not have.
const tokenRows = [
    ['comment line', 1, '|// The', ['comment.line.double-slash.scp'], []],
    ['section bracket', 2, '|[ITEMDEF', ['meta.section.header.scp', 'punctuation.definition.section.begin.scp'], []],
    ['section kind', 2, '[|ITEMDEF', ['storage.type.section.scp'], []],
    ['section name', 2, '|i_dagger', ['entity.name.type.scp'], []],
    ['function name', 19, '|f_swing', ['entity.name.function.scp'], []],
    ['key before =', 4, '|NAME', ['variable.other.property.scp'], ['comment.line.double-slash.scp']],
    ['= after a key', 4, 'NAME|=', ['punctuation.separator.key-value.scp'], []],
    ['comment after a value', 4, '|// the', ['comment.line.double-slash.scp', 'punctuation.definition.comment.scp'], []],
    ['key before a blank', 8, '|TEVENTS', ['variable.other.property.scp'], []],
    ['command in trigger code', 12, '|SRC.SAY', ['variable.other.property.scp'], []],
    ['key named by a computed part', 16, '|TAG.', ['variable.other.property.scp'], []],
    ['computed part in a key', 16, '<|ARGS', ['variable.other.property.scp', 'variable.other.computed.scp'], []],
    ['= after a computed key', 16, '>|=', ['punctuation.separator.key-value.scp'], ['keyword.operator.scp']],
    ['menu title', 35, '|Choose', ['string.unquoted.title.scp'], ['variable.other.property.scp']],
    ['menu option', 36, '|0 The first', ['string.unquoted.trigger.scp'], []],
    ['amount', 5, '=|3', ['constant.numeric.decimal.scp'], []],
    ['name with digits is no number', 5, 'i_rivet|01', [], ['constant.numeric.decimal.scp', 'constant.numeric.hex.scp']],
    ['decimal fraction', 6, '|35.5', ['constant.numeric.decimal.scp'], []],
    ['hexadecimal after a 0', 7, '|0481', ['constant.numeric.hex.scp'], []],
    ['trigger key', 9, '|ON', ['meta.trigger.scp', 'keyword.other.trigger.scp'], ['variable.other.property.scp']],
    ['trigger name', 9, '|@Create', ['entity.name.function.trigger.scp'], []],
    ['speech words', 31, '|*hello*', ['meta.trigger.scp', 'string.unquoted.trigger.scp'], []],
    ['computed part in a command', 32, '<|SRC.NAME', ['variable.other.computed.scp'], []],
    ['if in lower case', 11, '|if', ['keyword.control.conditional.scp'], ['variable.other.property.scp']],
    ['elseif', 13, '|ELSEIF', ['keyword.control.conditional.scp'], []],
    ['else in mixed case', 15, '|Else', ['keyword.control.conditional.scp'], []],
    ['endif', 17, '|ENDIF', ['keyword.control.conditional.scp'], []],
    ['return', 14, '|RETURN', ['keyword.control.flow.scp'], []],
    ['forchars', 20, '|FORCHARS', ['keyword.control.loop.scp'], []],
    ['while', 23, '|While', ['keyword.control.loop.scp'], []],
    ['dorand', 24, '|DORAND', ['keyword.control.conditional.scp'], []],
    ['enddo', 27, '|EndDo', ['keyword.control.conditional.scp'], []],
    ['computed opening', 11, '(|<SRC.DEX>', ['meta.computed.scp', 'punctuation.section.computed.begin.scp'], []],
    ['computed name', 11, '<|SRC.DEX>', ['meta.computed.scp', 'variable.other.computed.scp'], []],
    ['greater-than after a computed part', 11, '> |> 50', ['keyword.operator.scp'], ['meta.computed.scp']],
    ['less-than before a number', 13, '> |< 10', ['keyword.operator.scp'], ['meta.computed.scp']],
    ['nested computed part', 10, '<eval <|SRC.COLOR', ['variable.other.computed.scp'], []],
    ['nested part closed', 10, 'SRC.COLOR|>', ['punctuation.section.computed.end.scp'], []],
    ['outer part goes on after the nested one', 10, '+|1>', ['meta.computed.scp', 'constant.numeric.decimal.scp'], []],
    ['outer part closed', 10, '+1|>', ['punctuation.section.computed.end.scp'], []],
    ['string', 12, '"|Hello', ['string.quoted.double.scp'], []],
    ['computed part in a string', 12, '<|SRC.NAME', ['string.quoted.double.scp', 'variable.other.computed.scp'], []],
    ['book page holds no key', 38, '|Once', [], ['variable.other.property.scp']],
    ['comment on a book page', 38, '|// page', ['comment.line.double-slash.scp'], []],
    ['nothing read after the end of file', 40, '|NAME', ['comment.block.end-of-file.scp'], ['variable.other.property.scp']],
];

async function tokenize(grammarFile, lines) {
    const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
    await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
    const registry = new textmate.Registry({
        onigLib: Promise.resolve({
            createOnigScanner: (sources) => new oniguruma.OnigScanner(sources),
            createOnigString: (text) => new oniguruma.OnigString(text),
        }),
        loadGrammar: async (scopeName) => (scopeName === grammar.scopeName
            ? textmate.parseRawGrammar(fs.readFileSync(grammarFile, 'utf8'), grammarFile) : null),
    });
    const loaded = await registry.loadGrammar(grammar.scopeName);
    assert.ok(loaded, `${grammar.scopeName} did not load`);
    let stack = textmate.INITIAL;
    return lines.map((line) => {
        const result = loaded.tokenizeLine(line, stack);
        stack = result.ruleStack;
        return result.tokens;
    });
}

async function main() {
    await check('the package holds the manifest and the extension, and no node_modules', () => {
        const files = filesBelow(unpacked);
        assert.ok(files.includes('extension.vsixmanifest'), files.join('\n'));
        assert.ok(files.includes('extension/package.json'), files.join('\n'));
        assert.deepEqual(files.filter((file) => file.split('/').includes('node_modules')), []);
    });
    await check('main names the bundle, which needs no module but vscode', () => {
        assert.match(manifest.main, /dist\/extension\.js$/);
        const outside = [];
        const load = Module._load;
        const stub = () => new Proxy(function () {}, {
            get: (target, key) => (key === 'prototype' ? target.prototype
                : typeof key === 'symbol' ? undefined : stub()),
        });
        Module._load = function (request, parent, isMain) {
            if (request === 'vscode')
                return stub();
            if (!request.startsWith('.') && !path.isAbsolute(request) && !Module.isBuiltin(request))
                outside.push(request);
            return load.call(this, request, parent, isMain);
        };
        let extension;
        try {
            extension = require(inside(manifest.main));
        } finally {
            Module._load = load;
        }
        assert.deepEqual(outside, []);
        assert.equal(typeof extension.activate, 'function');
        assert.equal(typeof extension.deactivate, 'function');
    });
    await check('the icon is a small 128x128 PNG', () => {
        const icon = fs.readFileSync(inside(manifest.icon));
        assert.ok(icon.subarray(0, 8).equals(Buffer.from('\x89PNG\r\n\x1a\n', 'latin1')));
        assert.deepEqual([icon.readUInt32BE(16), icon.readUInt32BE(20)], [128, 128]);
        assert.ok(icon.length <= 8192, `${icon.length} bytes`);
    });
    await check('.scp files are the scp language, with its grammar and configuration', () => {
        assert.ok(language, 'no scp language');
        assert.deepEqual(language.extensions, ['.scp']);
        assert.ok(grammar, 'no grammar for scp');
        assert.equal(grammar.scopeName, 'source.scp');
        // The comparisons the grammar scopes so are no brackets to pair.
        assert.ok(grammar.unbalancedBracketScopes.includes('keyword.operator'));
        assert.equal(readJson(inside(grammar.path)).scopeName, 'source.scp');
        assert.ok(fs.existsSync(inside(language.configuration)), language.configuration);
    });

    await check('an undefined name, the server\'s own token modifier, is declared and coloured as invalid', () => {
        assert.ok(manifest.contributes.semanticTokenModifiers.some((m) => m.id === 'undefined'));
        const scopes = manifest.contributes.semanticTokenScopes.find((entry) => entry.language === 'scp').scopes;
        assert.match(scopes['*.undefined'][0], /^invalid\./);
    });

    let configuration;
    await check('the language configuration is JSON', () => {
        configuration = readJson(inside(language.configuration));
    });
    await check('// comments lines and the four bracket pairs match', () => {
        assert.deepEqual(configuration.comments, { lineComment: '//' });
        for (const pair of [['[', ']'], ['(', ')'], ['{', '}'], ['<', '>']])
            assert.ok(configuration.brackets.some((b) => b[0] === pair[0] && b[1] === pair[1]), pair.join(''));
        // Typing a comparison would otherwise leave a stray ">" behind.
        assert.ok(!configuration.autoClosingPairs.some((pair) => pair.open === '<'));
    });
    await check('blocks fold from their keyword to its end, in any case', () => {
        assert.deepEqual(markerFolds(configuration.folding.markers, script),
            ['11-17', '20-22', '23-28', '24-27']);
    });
    await check('a section header stops an unmatched end from folding into the section above', () => {
        const lines = ['[FUNCTION f_a]', 'IF 1', 'ENDIF', '[FUNCTION f_b]', 'SAY x', 'ENDIF'];
        assert.deepEqual(markerFolds(configuration.folding.markers, lines), ['2-3', '4-6']);
    });
    await check('a key named like a keyword folds nothing', () => {
        const lines = ['[ITEMDEF i_x]', 'FORM=1', 'IF=2', 'END=3'];
        assert.deepEqual(markerFolds(configuration.folding.markers, lines), []);
    });

    let tokens;
    await check('the grammar loads in the tokenizer', async () => {
        tokens = await tokenize(inside(grammar.path), script);
    });
    for (const [name, line, marked, wanted, unwanted] of tokenRows) {
        await check(`${name} (line ${line})`, () => {
            const text = script[line - 1];
            const bar = marked.indexOf('|');
            const found = text.indexOf(marked.replace('|', ''));
            assert.ok(found >= 0, `"${marked}" is not on line ${line}`);
            const column = found + bar;
            const token = tokens[line - 1].find((t) => t.startIndex <= column && column < t.endIndex);
            const description = `"${text.slice(token.startIndex, token.endIndex)}": ${token.scopes.join(' ')}`;
            if (wanted.length > 0)
                assert.equal(token.startIndex, column, `the token starting there is ${description}`);
            for (const scope of wanted)
                assert.ok(token.scopes.includes(scope), `${description} lacks ${scope}`);
            for (const scope of unwanted)
                assert.ok(!token.scopes.includes(scope), `${description} has ${scope}`);
        });
    }

    console.log(`${passed} passed, ${failed} failed`);
    process.exit(failed === 0 ? 0 : 1);
}

main().catch((error) => {
    console.log(`not ok - ${error.stack}`);
    console.log(`${passed} passed, ${failed + 1} failed`);
    process.exit(1);
});
