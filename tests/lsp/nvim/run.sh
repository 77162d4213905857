#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs Neovim headless with its own LSP client against tavrel-lsp on a fixture pack made in a
# temporary directory.
#   run.sh TAVREL-LSP
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
command -v nvim >/dev/null || { echo "FAIL: nvim is not installed (tools/install-deps.sh)"; exit 1; }
pack=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$pack"' EXIT
mkdir -p "$pack/scripts"
printf '[ITEMDEF i_log]\nNAME=Log\n\n[ITEMDEF i_board]\nNAME=Board\nTYPE=t_wood\nRESOURCES=2 i_log\nSKILLMAKE=Carpentry 10\n' \
    >"$pack/scripts/items.scp"
printf '[CHARDEF c_man]\nITEM=i_board\nITEM=i_bord\n' >"$pack/scripts/chars.scp"
printf '[SKILL 11]\nKEY=Carpentry\n[TYPEDEF t_wood]\nX=1\n' >"$pack/scripts/skills.scp"
printf '[ITEMDEF i_axe]\nON=@Create\nIF <SRC.DEX>\n  SAY hi\nENDIF\nON=@Click\n  SAY b\n' \
    >"$pack/scripts/code.scp"
cd "$pack"
HOME=$pack TAVREL_LSP=$1 PACK=$pack timeout 120 nvim --headless --clean -n \
    -c "luafile $here/client.lua" </dev/null
