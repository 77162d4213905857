-- SPDX-License-Identifier: MIT
-- Neovim's own client (0.7's start_client, which watches no files) on a fixture pack: the
-- diagnostics of an open file, a definition in another file, the hover of an item, folds from
-- the server's folding ranges, and a new file checked and joining the workspace before it is
-- ever saved. Started by run.sh.
local server, root = os.getenv('TAVREL_LSP'), os.getenv('PACK')

local function finish(failure)
  if failure then
    io.stderr:write('FAIL: ' .. failure .. '\n')
    vim.cmd('cquit 1')
  end
  io.stderr:write('PASS\n')
  vim.cmd('qall!')
end

local function expect(what, actual, expected)
  if vim.inspect(actual) ~= vim.inspect(expected) then
    finish(what .. ': ' .. vim.inspect(actual) .. ' instead of ' .. vim.inspect(expected))
  end
end

local ok, failure = pcall(function()
  local client = vim.lsp.start_client({
    cmd = { server },
    root_dir = root,
    workspace_folders = { { uri = vim.uri_from_fname(root), name = 'pack' } },
  })
  vim.cmd('edit ' .. root .. '/scripts/chars.scp')
  vim.lsp.buf_attach_client(0, client)

  if not vim.wait(30000, function() return #vim.diagnostic.get(0) > 0 end, 20) then
    finish('no diagnostics of chars.scp')
  end
  local diagnostics = {}
  for _, d in ipairs(vim.diagnostic.get(0)) do
    local code = d.code or (d.user_data and d.user_data.lsp and d.user_data.lsp.code)
    table.insert(diagnostics, string.format('%d:%d-%d %s %s: %s', d.lnum, d.col, d.end_col,
      vim.diagnostic.severity[d.severity], code, d.message))
  end
  expect('diagnostics', diagnostics, {
    '2:5-11 ERROR undefined-name: "i_bord" is not defined; ITEM expects an item or template here. Did you mean "i_board"?',
  })

  vim.api.nvim_win_set_cursor(0, { 2, 7 })
  local params = vim.lsp.util.make_position_params()
  local answers = vim.lsp.buf_request_sync(0, 'textDocument/definition', params, 10000)
  local locations = answers and answers[client] and answers[client].result
  if not locations or #locations ~= 1 then
    finish('definition: ' .. vim.inspect(answers))
  end
  vim.lsp.util.jump_to_location(locations[1], 'utf-16')
  expect('definition file', vim.fn.fnamemodify(vim.api.nvim_buf_get_name(0), ':t'), 'items.scp')
  expect('definition place', vim.api.nvim_win_get_cursor(0), { 4, 9 })

  vim.lsp.buf_attach_client(0, client)
  params = vim.lsp.util.make_position_params()
  answers = vim.lsp.buf_request_sync(0, 'textDocument/hover', params, 10000)
  local hover = answers and answers[client] and answers[client].result
  local text = hover and hover.contents and hover.contents.value or ''
  expect('hover', vim.split(text, '  \n', true), {
    '**Board** `i_board` — item', 'Type: `t_wood`', 'Resources: 2 Log', 'Skills: Carpentry 10',
    'Raw materials: 2 Log (i_log)', 'Used in 1 place', 'Defined at scripts/items.scp:4',
  })

  -- The folding ranges made into folds: a section, its triggers, a block keeping its ENDIF.
  vim.cmd('edit ' .. root .. '/scripts/code.scp')
  vim.lsp.buf_attach_client(0, client)
  answers = vim.lsp.buf_request_sync(0, 'textDocument/foldingRange',
    { textDocument = vim.lsp.util.make_text_document_params() }, 10000)
  local ranges = answers and answers[client] and answers[client].result
  if not ranges then
    finish('folding ranges: ' .. vim.inspect(answers))
  end
  local folds = {}
  for _, range in ipairs(ranges) do
    table.insert(folds, string.format('%d-%d', range.startLine + 1, range.endLine + 1))
    -- A new fold is closed, and a range on a closed fold takes all of it: open them first.
    vim.cmd(string.format('%d,%dfold', range.startLine + 1, range.endLine + 1))
    vim.cmd('normal! zR')
  end
  expect('folds', folds, { '1-7', '2-5', '3-4', '6-7' })
  local levels = {}
  for line = 1, 7 do
    table.insert(levels, vim.fn.foldlevel(line))
  end
  expect('fold levels', levels, { 1, 2, 3, 3, 2, 2, 2 })

  -- A file made here and not saved: checked at once, and its definition mends chars.scp.
  local chars = vim.fn.bufnr(root .. '/scripts/chars.scp')
  vim.cmd('edit ' .. root .. '/scripts/new.scp')
  vim.lsp.buf_attach_client(0, client)
  vim.api.nvim_buf_set_lines(0, 0, -1, false, { '[ITEMDEF i_bord]', 'RESOURCES=1 i_nothing' })
  if not vim.wait(30000, function()
    return #vim.diagnostic.get(0) == 1 and #vim.diagnostic.get(chars) == 0
  end, 20) then
    finish('new file: ' .. vim.inspect(vim.diagnostic.get(0)) .. ' and chars.scp: '
      .. vim.inspect(vim.diagnostic.get(chars)))
  end
  expect('new file on disk', vim.fn.filereadable(root .. '/scripts/new.scp'), 0)
  expect('new file diagnostic', vim.diagnostic.get(0)[1].message,
    'Resource "i_nothing" is not defined; RESOURCES expects an item or an item type here.')
end)
finish(not ok and tostring(failure) or nil)
