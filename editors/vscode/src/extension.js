// SPDX-License-Identifier: MIT
// Starts tavrel-lsp for the .scp files of the workspace.
'use strict';
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function activate() {
    const command = vscode.workspace.getConfiguration('tavrel').get('serverPath', 'tavrel-lsp');
    client = new LanguageClient('tavrel', 'Tavrel', { command, args: ['--stdio'] }, {
        // A new script not saved yet is checked too, against the workspace's names.
        documentSelector: [{ scheme: 'file', language: 'scp' }, { scheme: 'untitled', language: 'scp' }],
    });
    return client.start();
}

function deactivate() {
    return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
