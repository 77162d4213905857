-- SPDX-License-Identifier: MIT
-- Neovim's own client (0.7's start_client) on a fixture pack: the diagnostics of an open file,
-- a definition in another file, the hover of an item. Started by run.sh.
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
end)
finish(not ok and tostring(failure) or nil)
