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
write('scripts/code.scp', '[FUNCTION f_go]\nRETURN 1\n[ITEMDEF i_lever]\nON=@DClick\nTIMERF 1, f_go\n' +
    'f_go\nforge_axe\nSAY <DEF0.gone>\n');
write('elsewhere.scp', '[ITEMDEF i_outside]\nNAME=Outside\n');

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
    const waiters = [];
    connection.onNotification(lsp.PublishDiagnosticsNotification.type, (params) => {
        diagnostics.set(params.uri, params);
        for (const waiter of waiters.splice(0))
            waiter();
    });
    connection.onRequest(lsp.RegistrationRequest.type, () => null);
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
    return { child, connection, errors, diagnostics, diagnosticsOf, exited };
}

const codes = (list) => list.map((d) => `${d.code}@${d.range.start.line}:${d.range.start.character}`);
const at = (name, line, character) => ({ textDocument: { uri: uri(name) }, position: { line, character } });

async function main() {
    const { child, connection, errors, diagnostics, diagnosticsOf, exited } = start();

    await check('initialize', async () => {
        const result = await connection.sendRequest(lsp.InitializeRequest.type, {
            processId: process.pid,
            rootUri: null,
            workspaceFolders: [{ uri: pathToFileURL(root).href, name: 'pack' }],
            capabilities: {
                textDocument: { documentSymbol: { hierarchicalDocumentSymbolSupport: true } },
                workspace: { didChangeWatchedFiles: { dynamicRegistration: true } },
            },
        });
        assert.equal(result.serverInfo.name, 'tavrel-lsp');
        assert.equal(result.capabilities.textDocumentSync.change, lsp.TextDocumentSyncKind.Incremental);
        assert.ok(result.capabilities.definitionProvider && result.capabilities.hoverProvider);
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
        assert.deepEqual(found.map((l) => `${path.basename(l.uri)}:${l.range.start.line}`), ['items.scp:0', 'items.scp:5']);
        params.context.includeDeclaration = false;
        const uses = await connection.sendRequest(lsp.ReferencesRequest.type, params);
        assert.equal(uses.length, 1);
    });

    await check('a function from its calls, and its calls from it', async () => {
        const found = await connection.sendRequest(lsp.DefinitionRequest.type, at('scripts/code.scp', 4, 12));
        assert.deepEqual(found.map((l) => `${path.basename(l.uri)}:${l.range.start.line}:${l.range.start.character}`),
            ['code.scp:0:10']);
        const params = { ...at('scripts/code.scp', 0, 11), context: { includeDeclaration: false } };
        const calls = await connection.sendRequest(lsp.ReferencesRequest.type, params);
        assert.deepEqual(calls.map((l) => `${l.range.start.line}:${l.range.start.character}`), ['4:10', '5:0']);
        // The server's own verb names nothing.
        assert.deepEqual(await connection.sendRequest(lsp.DefinitionRequest.type, at('scripts/code.scp', 6, 3)), []);
        // A check off by default runs where the configuration enables it.
        const list = await diagnosticsOf('scripts/code.scp', () => true);
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

    await check('errors: a malformed message, an unknown method; a file outside is no error', async () => {
        child.stdin.write('Content-Length: 7\r\n\r\n{"bad":');
        await assert.rejects(connection.sendRequest('tavrel/unknown', {}), { code: lsp.ErrorCodes.MethodNotFound });
        assert.ok(errors.some((e) => e.includes('-32700')), errors.join('\n'));
        // A script outside the workspace's list is answered, never with an error an editor
        // would show unasked.
        assert.equal(await connection.sendRequest(lsp.HoverRequest.type, at('elsewhere.scp', 0, 10)), null);
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
        await connection.sendRequest(lsp.ShutdownRequest.type);
        connection.sendNotification(lsp.ExitNotification.type);
        assert.equal(await exited, 0);
    });
}

main().then(tablesFile).then(exitWithout).then(() => {
    console.log(`${passed} passed, 0 failed`);
    process.exit(0);
}, (error) => {
    console.error(error);
    console.log(`${passed} passed, 1 failed`);
    process.exit(1);
});
