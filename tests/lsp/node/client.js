// SPDX-License-Identifier: MIT
// Drives tavrel-lsp through vscode-jsonrpc and vscode-languageserver-protocol, the packages VS
// Code's language client is built on, over a fixture pack made in a temporary directory.
//   node client.js TAVREL-LSP
'use strict';
const assert = require('node:assert/strict');
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const rpc = require('vscode-jsonrpc/node');
const lsp = require('vscode-languageserver-protocol');

const server = process.argv[2];
const root = fs.mkdtempSync(path.join(os.tmpdir(), 'tavrel-lsp-'));
process.on('exit', () => fs.rmSync(root, { recursive: true, force: true }));
const write = (name, text) => {
    fs.mkdirSync(path.dirname(path.join(root, name)), { recursive: true });
    fs.writeFileSync(path.join(root, name), text);
};
const uri = (name) => pathToFileURL(path.join(root, name)).href;

const items = '[ITEMDEF i_log]\nNAME=Log\n\n[ITEMDEF i_board]\nNAME=Board\nRESOURCES=2 i_log\n' +
    'SKILLMAKE=Carpentry 10\n';
write('config.cfg', '[Settings]\nDirs=scripts\nFilter=*.scp\n[Check]\nIgnore=i_quiet\n' +
    'Enable=undefined-def0\n');
write('scripts/items.scp', items);
write('scripts/more/chars.scp', '[CHARDEF c_man]\nITEM=i_bord\nITEM=i_quiet\n');
write('scripts/skills.scp', '[SKILL 11]\nKEY=Carpentry\n');
write('scripts/calls.scp', '[FUNCTION f_run]\nRETURN 1\n[ITEMDEF i_lever]\nON=@DClick\nTIMERF 1, f_run\n' +
    'f_run\nforge_axe\nSAY <DEF0.gone>\n');
write('elsewhere.scp', '[ITEMDEF i_outside]\nNAME=Outside\n');
const code = '[FUNCTION f_go]\nIF <ARGN>\n  SERV.NEWITEM i_log\nENDIF\n[ITEMDEF i_axe]\nON=@Create\n' +
    '  DORAND 2\n    SAY a\n    SAY b\n  ENDDO\n';
write('scripts/code.scp', code);
write('scripts/computed.scp', '[FUNCTION f_show]\nSAY <SERV.ITEMDEF.i_board.NAME>\n');

let passed = 0;
const check = async (name, body) => {
    await body();
    passed += 1;
    console.log(`ok ${passed} - ${name}`);
};

function start() {
    const child = spawn(server, [], { stdio: ['pipe', 'pipe', 'inherit'] });
    const errors = [];
    const logger = { error: (m) => errors.push(m), warn: () => {}, info: () => {}, log: () => {} };
    const connection = rpc.createMessageConnection(
        new rpc.StreamMessageReader(child.stdout), new rpc.StreamMessageWriter(child.stdin), logger);
    const diagnostics = new Map();
    const messages = [];
    const waiters = [];
    connection.onNotification(lsp.PublishDiagnosticsNotification.type, (params) => {
        diagnostics.set(params.uri, params);
        for (const waiter of waiters.splice(0))
            waiter();
    });
    connection.onNotification(lsp.ShowMessageNotification.type, (params) => {
        messages.push(params.message);
        for (const waiter of waiters.splice(0))
            waiter();
    });
    // Resolves once a message the server showed matches `pattern`.
    const messageLike = (pattern) => new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error(`no message like ${pattern}: ${messages.join('\n')}`)), 60000);
        const look = () => {
            const found = messages.find((m) => pattern.test(m));
            if (found) {
                clearTimeout(timer);
                resolve(found);
            } else {
                waiters.push(look);
            }
        };
        look();
    });
    connection.onRequest(lsp.RegistrationRequest.type, () => null);
    const refreshes = [];
    connection.onRequest(lsp.SemanticTokensRefreshRequest.type, () => {
        refreshes.push(Date.now());
        return null;
    });
    connection.listen();
    const exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
    // Resolves once `test` holds of the diagnostics of `name`, failing after a minute.
    const diagnosticsOf = (name, test) => new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error(`no diagnostics of ${name} as expected: ` +
            JSON.stringify(diagnostics.get(uri(name))))), 60000);
        const look = () => {
            const published = diagnostics.get(uri(name));
            if (published && test(published.diagnostics)) {
                clearTimeout(timer);
                resolve(published.diagnostics);
            } else {
                waiters.push(look);
            }
        };
        look();
    });
    return { child, connection, errors, diagnostics, diagnosticsOf, messages, messageLike, refreshes, exited };
}

// Each token as "line:character text type.modifiers", from the five numbers of each.
const tokens = (legend, data, text) => {
    const lines = text.split('\n');
    const found = [];
    for (let i = 0, line = 0, start = 0; i < data.length; i += 5) {
        line += data[i];
        start = data[i] === 0 ? start + data[i + 1] : data[i + 1];
        const modifiers = legend.tokenModifiers.filter((m, bit) => data[i + 4] & (1 << bit));
        found.push([`${line}:${start}`, lines[line].substr(start, data[i + 2]),
            [legend.tokenTypes[data[i + 3]], ...modifiers].join('.')].join(' '));
    }
    return found;
};
const codes = (list) => list.map((d) => `${d.code}@${d.range.start.line}:${d.range.start.character}`);
const at = (name, line, character) => ({ textDocument: { uri: uri(name) }, position: { line, character } });

async function main() {
    const { child, connection, errors, diagnostics, diagnosticsOf, messageLike, refreshes, exited } = start();

    let legend;
    await check('initialize', async () => {
        const result = await connection.sendRequest(lsp.InitializeRequest.type, {
            processId: process.pid,
            rootUri: null,
            workspaceFolders: [{ uri: pathToFileURL(root).href, name: 'pack' }],
            capabilities: {
                textDocument: { documentSymbol: { hierarchicalDocumentSymbolSupport: true },
                    rename: { prepareSupport: true } },
                workspace: { didChangeWatchedFiles: { dynamicRegistration: true },
                    semanticTokens: { refreshSupport: true } },
            },
        });
        assert.equal(result.serverInfo.name, 'tavrel-lsp');
        assert.equal(result.capabilities.textDocumentSync.change, lsp.TextDocumentSyncKind.Incremental);
        assert.ok(result.capabilities.definitionProvider && result.capabilities.hoverProvider);
        assert.ok(result.capabilities.foldingRangeProvider && result.capabilities.documentHighlightProvider);
        assert.deepEqual(result.capabilities.renameProvider, { prepareProvider: true });
        legend = result.capabilities.semanticTokensProvider.legend;
        assert.ok(result.capabilities.semanticTokensProvider.full && result.capabilities.semanticTokensProvider.range);
        connection.sendNotification(lsp.InitializedNotification.type, {});
    });

    await check('diagnostics of a file not open, the ignored name left out', async () => {
        const list = await diagnosticsOf('scripts/more/chars.scp', () => true);
        assert.deepEqual(codes(list), ['undefined-name@1:5']);
        assert.equal(list[0].severity, lsp.DiagnosticSeverity.Error);
        assert.equal(list[0].source, 'tavrel');
        assert.ok(!diagnostics.has(uri('elsewhere.scp')), 'a file outside the directories');
    });

    await check('an edit breaks a reference and another mends it', async () => {
        const document = { uri: uri('scripts/items.scp'), languageId: 'scp', version: 1, text: items };
        connection.sendNotification(lsp.DidOpenTextDocumentNotification.type, { textDocument: document });
        connection.sendNotification(lsp.DidChangeTextDocumentNotification.type, {
            textDocument: { uri: document.uri, version: 2 },
            contentChanges: [{ text: items.replace('[ITEMDEF i_log]', '[ITEMDEF i_logs]') }],
        });
        const broken = await diagnosticsOf('scripts/items.scp', (l) => l.length > 0);
        assert.deepEqual(codes(broken), ['missing-resource@5:12']);
        connection.sendNotification(lsp.DidChangeTextDocumentNotification.type, {
            textDocument: { uri: document.uri, version: 3 }, contentChanges: [{ text: items }],
        });
        await diagnosticsOf('scripts/items.scp', (l) => l.length === 0);
    });

    await check('completion of the items and templates ITEM takes', async () => {
        const document = { uri: uri('scripts/more/chars.scp'), languageId: 'scp', version: 1,
            text: '[CHARDEF c_man]\nITEM=i_bo\nITEM=i_quiet\n' };
        connection.sendNotification(lsp.DidOpenTextDocumentNotification.type, { textDocument: document });
        const list = await connection.sendRequest(lsp.CompletionRequest.type, at('scripts/more/chars.scp', 1, 9));
        const labels = list.items.map((item) => `${item.label} ${item.detail}`);
        assert.deepEqual(labels, ['i_board Board']);
        const skills = await connection.sendRequest(lsp.CompletionRequest.type, at('scripts/items.scp', 6, 10));
        assert.ok(skills.items.some((item) => item.label === 'Carpentry'), JSON.stringify(skills));
        connection.sendNotification(lsp.DidCloseTextDocumentNotification.type, { textDocument: { uri: document.uri } });
    });

    await check('definition in another file', async () => {
        const found = await connection.sendRequest(lsp.DefinitionRequest.type, at('scripts/items.scp', 6, 12));
        assert.deepEqual(found.map((l) => `${path.basename(l.uri)}:${l.range.start.line}:${l.range.start.character}`),
            ['skills.scp:1:4']);
    });

    await check('references, with the definition when asked', async () => {
        const params = { ...at('scripts/items.scp', 0, 11), context: { includeDeclaration: true } };
        const found = await connection.sendRequest(lsp.ReferencesRequest.type, params);
        assert.deepEqual(found.map((l) => `${path.basename(l.uri)}:${l.range.start.line}`),
            ['code.scp:2', 'items.scp:0', 'items.scp:5']);
        params.context.includeDeclaration = false;
        const uses = await connection.sendRequest(lsp.ReferencesRequest.type, params);
        assert.equal(uses.length, 2);
    });

    await check('a function from its calls, and its calls from it', async () => {
        const found = await connection.sendRequest(lsp.DefinitionRequest.type, at('scripts/calls.scp', 4, 12));
        assert.deepEqual(found.map((l) => `${path.basename(l.uri)}:${l.range.start.line}:${l.range.start.character}`),
            ['calls.scp:0:10']);
        const params = { ...at('scripts/calls.scp', 0, 11), context: { includeDeclaration: false } };
        const calls = await connection.sendRequest(lsp.ReferencesRequest.type, params);
        assert.deepEqual(calls.map((l) => `${l.range.start.line}:${l.range.start.character}`), ['4:10', '5:0']);
        // The server's own verb names nothing.
        assert.deepEqual(await connection.sendRequest(lsp.DefinitionRequest.type, at('scripts/calls.scp', 6, 3)), []);
        // A check off by default runs where the configuration enables it.
        const list = await diagnosticsOf('scripts/calls.scp', () => true);
        assert.deepEqual(codes(list), ['undefined-def0@7:10']);
        assert.equal(list[0].severity, lsp.DiagnosticSeverity.Warning);
    });

    await check('hover of an item', async () => {
        const hover = await connection.sendRequest(lsp.HoverRequest.type, at('scripts/items.scp', 3, 12));
        assert.match(hover.contents.value, /\*\*Board\*\* `i_board`/);
        assert.match(hover.contents.value, /Resources: 2 Log\s/);
        assert.match(hover.contents.value, /Skills: Carpentry 10/);
        assert.match(hover.contents.value, /Raw materials: 2 Log \(i_log\)/);
    });

    await check('document and workspace symbols', async () => {
        const outline = await connection.sendRequest(lsp.DocumentSymbolRequest.type, { textDocument: { uri: uri('scripts/items.scp') } });
        assert.deepEqual(outline.map((s) => `${s.name} ${s.detail}`), ['ITEMDEF i_log Log', 'ITEMDEF i_board Board']);
        const symbols = await connection.sendRequest(lsp.WorkspaceSymbolRequest.type, { query: 'carp' });
        assert.deepEqual(symbols.map((s) => s.name), ['Carpentry']);
    });

    await check('semantic tokens of a file and of a range, by the legend of initialize', async () => {
        // Those asked for while the scripts were read are asked for again once they are.
        assert.equal(refreshes.length, 1);
        const full = await connection.sendRequest(lsp.SemanticTokensRequest.type, { textDocument: { uri: uri('scripts/items.scp') } });
        const all = tokens(legend, full.data, items);
        assert.deepEqual(all.slice(0, 2), ['0:1 ITEMDEF namespace', '0:9 i_log class.declaration']);
        assert.deepEqual(all.slice(-7), ['4:0 NAME property', '5:0 RESOURCES property', '5:10 2 number',
            '5:12 i_log class', '6:0 SKILLMAKE property', '6:10 Carpentry enumMember', '6:20 10 number']);
        const range = await connection.sendRequest(lsp.SemanticTokensRangeRequest.type, {
            textDocument: { uri: uri('scripts/code.scp') }, range: { start: { line: 1, character: 0 }, end: { line: 3, character: 5 } },
        });
        assert.deepEqual(tokens(legend, range.data, code), ['1:0 IF keyword', '1:3 <ARGN> macro',
            '2:2 SERV.NEWITEM property', '2:15 i_log class', '3:0 ENDIF keyword']);
    });

    await check('folding ranges of sections, triggers and blocks, each end word in sight', async () => {
        const ranges = await connection.sendRequest(lsp.FoldingRangeRequest.type, { textDocument: { uri: uri('scripts/code.scp') } });
        assert.deepEqual(ranges.map((r) => `${r.startLine}-${r.endLine}`), ['0-3', '1-2', '4-9', '5-9', '6-8']);
    });

    await check('document highlight: the definition and the uses in the file', async () => {
        const found = await connection.sendRequest(lsp.DocumentHighlightRequest.type, at('scripts/items.scp', 5, 14));
        assert.deepEqual(found.map((h) => `${h.range.start.line}:${h.range.start.character} ${h.kind}`),
            [`0:9 ${lsp.DocumentHighlightKind.Write}`, `5:12 ${lsp.DocumentHighlightKind.Read}`]);
    });

    await check('rename across files, the code that names it too', async () => {
        const prepared = await connection.sendRequest(lsp.PrepareRenameRequest.type, at('scripts/items.scp', 0, 11));
        assert.deepEqual(prepared, { range: { start: { line: 0, character: 9 }, end: { line: 0, character: 14 } }, placeholder: 'i_log' });
        const edit = await connection.sendRequest(lsp.RenameRequest.type, { ...at('scripts/items.scp', 0, 11), newName: 'i_wood' });
        const places = Object.entries(edit.changes).flatMap(([file, edits]) =>
            edits.map((e) => `${path.basename(file)}:${e.range.start.line}:${e.range.start.character} ${e.newText}`)).sort();
        assert.deepEqual(places, ['code.scp:2:15 i_wood', 'items.scp:0:9 i_wood', 'items.scp:5:12 i_wood']);
    });

    await check('rename refused, with why, for a name computed text names', async () => {
        await assert.rejects(connection.sendRequest(lsp.PrepareRenameRequest.type, at('scripts/items.scp', 3, 12)), (error) => {
            assert.equal(error.code, lsp.LSPErrorCodes.RequestFailed);
            assert.match(error.message, /computed text names it at scripts\/computed\.scp:2 \(<SERV\.ITEMDEF\.i_board\.NAME>\)/);
            return true;
        });
        assert.equal(await connection.sendRequest(lsp.PrepareRenameRequest.type, at('scripts/items.scp', 1, 1)), null);
    });

    await check('a script outside the list: checked alone against the workspace\'s names, answered', async () => {
        const text = '[ITEMDEF i_outside]\nRESOURCES=1 i_log, 1 i_gone\n';
        connection.sendNotification(lsp.DidOpenTextDocumentNotification.type,
            { textDocument: { uri: uri('elsewhere.scp'), languageId: 'scp', version: 1, text } });
        assert.deepEqual(codes(await diagnosticsOf('elsewhere.scp', () => true)), ['missing-resource@1:21']);
        const found = await connection.sendRequest(lsp.DefinitionRequest.type, at('elsewhere.scp', 1, 14));
        assert.deepEqual(found.map((l) => path.basename(l.uri)), ['items.scp']);
        const hover = await connection.sendRequest(lsp.HoverRequest.type, at('elsewhere.scp', 0, 12));
        assert.match(hover.contents.value, /`i_outside`/);
        assert.deepEqual(codes(diagnostics.get(uri('scripts/more/chars.scp')).diagnostics), ['undefined-name@1:5']);
        connection.sendNotification(lsp.DidCloseTextDocumentNotification.type, { textDocument: { uri: uri('elsewhere.scp') } });
        await diagnosticsOf('elsewhere.scp', (l) => l.length === 0);
    });

    await check('a file made in the editor joins the list at once; closed unsaved, it leaves', async () => {
        connection.sendNotification(lsp.DidOpenTextDocumentNotification.type, { textDocument:
            { uri: uri('scripts/more/new.scp'), languageId: 'scp', version: 1, text: '[ITEMDEF i_bord]\nNAME=Bord\n' } });
        await diagnosticsOf('scripts/more/chars.scp', (l) => l.length === 0);
        connection.sendNotification(lsp.DidCloseTextDocumentNotification.type, { textDocument: { uri: uri('scripts/more/new.scp') } });
        await diagnosticsOf('scripts/more/chars.scp', (l) => l.length === 1);
    });

    await check('a file deleted while it is open loses its diagnostics when it is closed', async () => {
        const text = '[ITEMDEF i_doomed]\nRESOURCES=1 i_nowhere\n';
        write('scripts/doomed.scp', text);
        connection.sendNotification(lsp.DidChangeWatchedFilesNotification.type,
            { changes: [{ uri: uri('scripts/doomed.scp'), type: lsp.FileChangeType.Created }] });
        connection.sendNotification(lsp.DidOpenTextDocumentNotification.type,
            { textDocument: { uri: uri('scripts/doomed.scp'), languageId: 'scp', version: 1, text } });
        await diagnosticsOf('scripts/doomed.scp', (l) => l.length === 1);
        fs.rmSync(path.join(root, 'scripts/doomed.scp'));
        connection.sendNotification(lsp.DidChangeWatchedFilesNotification.type,
            { changes: [{ uri: uri('scripts/doomed.scp'), type: lsp.FileChangeType.Deleted }] });
        connection.sendNotification(lsp.DidCloseTextDocumentNotification.type, { textDocument: { uri: uri('scripts/doomed.scp') } });
        await diagnosticsOf('scripts/doomed.scp', (l) => l.length === 0);
    });

    await check('the did-you-mean as a quick fix', async () => {
        const [diagnostic] = await diagnosticsOf('scripts/more/chars.scp', (l) => l.length === 1);
        const actions = await connection.sendRequest(lsp.CodeActionRequest.type, {
            textDocument: { uri: uri('scripts/more/chars.scp') }, range: diagnostic.range, context: { diagnostics: [diagnostic] },
        });
        assert.equal(actions.length, 1);
        assert.equal(actions[0].kind, 'quickfix');
        assert.deepEqual(actions[0].diagnostics, [diagnostic]);
        assert.deepEqual(actions[0].edit.changes[uri('scripts/more/chars.scp')], [{ range: diagnostic.range, newText: 'i_board' }]);
    });

    await check('every diagnostic covers its text, counted in UTF-16; a quick fix replaces the name alone', async () => {
        const watched = (name, type) => connection.sendNotification(
            lsp.DidChangeWatchedFilesNotification.type, { changes: [{ uri: uri(name), type }] });
        const span = (d) => `${d.range.start.line}:${d.range.start.character}-${d.range.end.line}:${d.range.end.character}`;
        const line = 'ITEM=i_bo\u{1F600}ard 1';
        fs.symlinkSync('nowhere.scp', path.join(root, 'scripts/broken.scp'));
        write('scripts/wide.scp', `[CHARDEF c_wide]\n${line}\nITEM={i_log 1 i_board} // odd\n`);
        watched('scripts/broken.scp', lsp.FileChangeType.Created);
        watched('scripts/wide.scp', lsp.FileChangeType.Created);
        const broken = await diagnosticsOf('scripts/broken.scp', (l) => l.length > 0);
        assert.deepEqual(broken.map(span), ['0:0-1:0']);
        const wide = await diagnosticsOf('scripts/wide.scp', (l) => l.length === 2);
        assert.deepEqual(wide.map((d) => `${d.code} ${span(d)}`), ['undefined-name 1:5-1:14', 'random-range 2:5-2:22']);
        const [action] = await connection.sendRequest(lsp.CodeActionRequest.type, {
            textDocument: { uri: uri('scripts/wide.scp') }, range: wide[0].range, context: { diagnostics: [wide[0]] },
        });
        const [edit] = action.edit.changes[uri('scripts/wide.scp')];
        assert.equal(line.slice(0, edit.range.start.character) + edit.newText + line.slice(edit.range.end.character), 'ITEM=i_board 1');
        const empty = [...diagnostics.values()].flatMap((p) => p.diagnostics.filter((d) => span(d) ===
            `${d.range.start.line}:${d.range.start.character}-${d.range.start.line}:${d.range.start.character}`));
        assert.deepEqual(empty, []);
        fs.rmSync(path.join(root, 'scripts/broken.scp'));
        fs.rmSync(path.join(root, 'scripts/wide.scp'));
        watched('scripts/broken.scp', lsp.FileChangeType.Deleted);
        watched('scripts/wide.scp', lsp.FileChangeType.Deleted);
        await diagnosticsOf('scripts/wide.scp', (l) => l.length === 0);
    });

    await check('errors: a malformed message, an unknown method; a file outside is no error', async () => {
        child.stdin.write('Content-Length: 7\r\n\r\n{"bad":');
        await assert.rejects(connection.sendRequest('tavrel/unknown', {}), { code: lsp.ErrorCodes.MethodNotFound });
        assert.ok(errors.some((e) => e.includes('-32700')), errors.join('\n'));
        // A script outside the workspace's list is answered from its own names, never with an
        // error an editor would show unasked.
        const hover = await connection.sendRequest(lsp.HoverRequest.type, at('elsewhere.scp', 0, 10));
        assert.match(hover.contents.value, /`i_outside`/);
        assert.deepEqual(await connection.sendRequest(lsp.CodeActionRequest.type, {
            textDocument: { uri: uri('elsewhere.scp') }, range: { start: { line: 0, character: 0 }, end: { line: 1, character: 0 } },
            context: { diagnostics: [] },
        }), []);
    });

    await check('files created and deleted on disk: a duplicate with its related place', async () => {
        const watched = (name, type) => connection.sendNotification(
            lsp.DidChangeWatchedFilesNotification.type, { changes: [{ uri: uri(name), type }] });
        write('scripts/dup.scp', '[ITEMDEF i_log]\nNAME=Other log\n');
        watched('scripts/dup.scp', lsp.FileChangeType.Created);
        const [duplicate] = await diagnosticsOf('scripts/items.scp', (l) => l.length > 0);
        assert.equal(duplicate.code, 'duplicate-defname');
        assert.deepEqual(duplicate.relatedInformation.map((r) => `${path.basename(r.location.uri)}:${r.location.range.start.line}`),
            ['dup.scp:0']);
        fs.rmSync(path.join(root, 'scripts/dup.scp'));
        watched('scripts/dup.scp', lsp.FileChangeType.Deleted);
        await diagnosticsOf('scripts/items.scp', (l) => l.length === 0);
    });

    await check('a Windows-1252 document is read in its code page', async () => {
        write('scripts/legacy.scp', Buffer.from('[ITEMDEF i_cafe]\nNAME=Caf\xe9\n', 'latin1'));
        connection.sendNotification(lsp.DidChangeWatchedFilesNotification.type,
            { changes: [{ uri: uri('scripts/legacy.scp'), type: lsp.FileChangeType.Created }] });
        assert.deepEqual(codes(await diagnosticsOf('scripts/legacy.scp', (l) => l.length > 0)), ['not-utf8@1:8']);
        const text = '[ITEMDEF i_cafe]\nNAME=Caf\u00e9\nRESOURCES=1 i_none\n';
        connection.sendNotification(lsp.DidOpenTextDocumentNotification.type,
            { textDocument: { uri: uri('scripts/legacy.scp'), languageId: 'scp', version: 1, text } });
        const list = await diagnosticsOf('scripts/legacy.scp', (l) => l.length > 1);
        assert.deepEqual(codes(list), ['not-utf8@1:8', 'missing-resource@2:12']);
        // An editor that read the file as UTF-8 shows its byte as U+FFFD, which Windows-1252
        // has no byte for: the file is still not UTF-8 until it is saved so.
        connection.sendNotification(lsp.DidChangeTextDocumentNotification.type, {
            textDocument: { uri: uri('scripts/legacy.scp'), version: 2 },
            contentChanges: [{ text: '[ITEMDEF i_cafe]\nNAME=Caf\ufffd\n' }],
        });
        assert.deepEqual(codes(await diagnosticsOf('scripts/legacy.scp', (l) => l.length === 1)), ['not-utf8@1:8']);
    });

    await check('config.cfg problems are said again each time it changes', async () => {
        const config = fs.readFileSync(path.join(root, 'config.cfg'), 'utf8');
        const changed = () => connection.sendNotification(lsp.DidChangeWatchedFilesNotification.type,
            { changes: [{ uri: uri('config.cfg'), type: lsp.FileChangeType.Changed }] });
        write('config.cfg', `${config}Disable=no-such-check\n`);
        changed();
        await messageLike(/\[Check\] Disable names no check "no-such-check"/);
        write('config.cfg', config);
        changed();
        await diagnosticsOf('scripts/more/chars.scp', (l) => l.length === 1);
    });

    await check('shutdown and exit: status 0', async () => {
        await connection.sendRequest(lsp.ShutdownRequest.type);
        connection.sendNotification(lsp.ExitNotification.type);
        assert.equal(await exited, 0);
    });
}

async function exitWithout() {
    for (const how of ['exit', 'close']) {
        await check(`${how} without shutdown: status 1`, async () => {
            const { child, connection, exited } = start();
            await connection.sendRequest(lsp.InitializeRequest.type, { processId: null, rootUri: null, capabilities: {} });
            if (how === 'exit')
                connection.sendNotification(lsp.ExitNotification.type);
            else
                child.stdin.end();
            assert.equal(await exited, 1);
        });
    }
}

async function tablesFile() {
    await check('a tables file in the configuration: its scripts only, and its lines naming nothing', async () => {
        write('served/config.cfg', '[Check]\nTables=scripts/tables.scp\n');
        write('served/scripts/tables.scp', '[RESOURCES]\nscripts/items/\ngone.scp\n');
        write('served/scripts/items/a.scp', '[ITEMDEF i_a]\nRESOURCES=1 i_none\n');
        write('served/scripts/unlisted/b.scp', '[ITEMDEF i_b]\nRESOURCES=1 i_none\n');
        const { connection, diagnostics, diagnosticsOf, exited } = start();
        await connection.sendRequest(lsp.InitializeRequest.type, {
            processId: null, rootUri: null, capabilities: {},
            workspaceFolders: [{ uri: uri('served'), name: 'served' }],
        });
        connection.sendNotification(lsp.InitializedNotification.type, {});
        assert.deepEqual(codes(await diagnosticsOf('served/scripts/tables.scp', () => true)),
            ['missing-script-file@2:0']);
        assert.deepEqual(codes(await diagnosticsOf('served/scripts/items/a.scp', () => true)),
            ['missing-resource@1:12']);
        assert.ok(!diagnostics.has(uri('served/scripts/unlisted/b.scp')), 'a file the server does not load');
        const links = await connection.sendRequest(lsp.DocumentLinkRequest.type, { textDocument: { uri: uri('served/scripts/tables.scp') } });
        assert.deepEqual(links.map((l) => `${l.range.start.line}:${l.range.start.character}-${l.range.end.character} ${l.target}`),
            [`1:0-14 ${uri('served/scripts/items')}`]);
        await connection.sendRequest(lsp.ShutdownRequest.type);
        connection.sendNotification(lsp.ExitNotification.type);
        assert.equal(await exited, 0);
    });
}

async function rootFound() {
    const cases = [
        ['a sub-folder given: the folder of its config.cfg is the workspace', { rootUri: uri('scripts/more') }],
        ['no folder given: the workspace is found from the first script opened', { rootUri: null }],
    ];
    for (const [name, given] of cases) {
        await check(name, async () => {
            const { connection, diagnosticsOf, exited } = start();
            await connection.sendRequest(lsp.InitializeRequest.type, { processId: null, capabilities: {}, ...given });
            connection.sendNotification(lsp.InitializedNotification.type, {});
            const text = fs.readFileSync(path.join(root, 'scripts/more/chars.scp'), 'utf8');
            connection.sendNotification(lsp.DidOpenTextDocumentNotification.type,
                { textDocument: { uri: uri('scripts/more/chars.scp'), languageId: 'scp', version: 1, text } });
            // i_board is defined above the folder, and config.cfg ignores i_quiet.
            const list = await diagnosticsOf('scripts/more/chars.scp', () => true);
            assert.equal(list[0].message, '"i_bord" is not defined; ITEM expects an item or template here. Did you mean "i_board"?');
            assert.deepEqual(codes(list), ['undefined-name@1:5']);
            await connection.sendRequest(lsp.ShutdownRequest.type);
            connection.sendNotification(lsp.ExitNotification.type);
            assert.equal(await exited, 0);
        });
    }
}

async function rootRefused() {
    await check('a folder with neither above it, too large to read: not read, and the user told how', async () => {
        const { connection, messageLike, exited } = start();
        await connection.sendRequest(lsp.InitializeRequest.type, { processId: null, capabilities: {}, rootUri: 'file:///' });
        connection.sendNotification(lsp.InitializedNotification.type, {});
        const message = await messageLike(/^\/ holds no config\.cfg and no tables file/);
        assert.match(message, /Open the folder of your scripts as the editor's workspace or root, or put a config\.cfg in it/);
        assert.deepEqual(await connection.sendRequest(lsp.WorkspaceSymbolRequest.type, { query: 'i_' }), []);
        await connection.sendRequest(lsp.ShutdownRequest.type);
        connection.sendNotification(lsp.ExitNotification.type);
        assert.equal(await exited, 0);
    });
}

main().then(tablesFile).then(rootFound).then(rootRefused).then(exitWithout).then(() => {
    console.log(`${passed} passed, 0 failed`);
    process.exit(0);
}, (error) => {
    console.error(error);
    console.log(`${passed} passed, 1 failed`);
    process.exit(1);
});
