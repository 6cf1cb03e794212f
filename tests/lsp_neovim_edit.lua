-- Neovim's own language client (0.7 and later) writing with glossel-lsp, as a user
-- would: in GLOSSEL_ROOT/acts.inf it asks for the completion after "self.d" (line 15,
-- column 23) and turns the answer into the menu's items, asks for the signature inside
-- "Shine(o, n)" (line 5, after "o, ") and turns it into the lines of its window, and
-- renames Shine (line 5) to Beam with vim.lsp.buf.rename, which edits both files.
-- It writes to GLOSSEL_ANSWERS { completion = [words], signature = [lines],
-- renamed = { inf = line 5, h = line 2 of acts.h } }.
local root = os.getenv('GLOSSEL_ROOT')
local function run()
  vim.cmd('edit ' .. vim.fn.fnameescape(root .. '/acts.inf'))
  local buf = vim.api.nvim_get_current_buf()
  local id = vim.lsp.start_client({ name = 'glossel', cmd = { os.getenv('GLOSSEL_LSP') }, root_dir = root })
  vim.lsp.buf_attach_client(buf, id)
  local client = vim.lsp.get_client_by_id(id)
  if not vim.wait(10000, function() return client.initialized end, 20) then error('the server did not initialize') end
  local answers = {}

  vim.api.nvim_win_set_cursor(0, { 15, 22 })
  local responses = vim.lsp.buf_request_sync(buf, 'textDocument/completion', vim.lsp.util.make_position_params(), 10000)
  local words = {}
  for _, response in pairs(responses or {}) do
    for _, item in ipairs(vim.lsp.util.text_document_completion_list_to_complete_items(response.result, 'd')) do
      table.insert(words, item.word)
    end
  end
  answers.completion = words

  vim.api.nvim_win_set_cursor(0, { 5, 11 })
  responses = vim.lsp.buf_request_sync(buf, 'textDocument/signatureHelp', vim.lsp.util.make_position_params(), 10000)
  for _, response in pairs(responses or {}) do
    answers.signature = vim.lsp.util.convert_signature_help_to_markdown_lines(response.result, 'inform')
  end

  vim.api.nvim_win_set_cursor(0, { 5, 3 })
  vim.lsp.buf.rename('Beam')
  local h = vim.fn.bufadd(root .. '/acts.h')
  vim.wait(10000, function()
    return vim.api.nvim_buf_get_lines(buf, 4, 5, false)[1] ~= '  Shine(o, n);'
      and vim.fn.bufloaded(h) == 1 and vim.api.nvim_buf_get_lines(h, 1, 2, false)[1] ~= '[ Shine o n;'
  end, 20)
  vim.fn.bufload(h)
  answers.renamed = { inf = vim.api.nvim_buf_get_lines(buf, 4, 5, false)[1], h = vim.api.nvim_buf_get_lines(h, 1, 2, false)[1] }

  vim.fn.writefile({ vim.fn.json_encode(answers) }, os.getenv('GLOSSEL_ANSWERS'))
  client.stop()
  vim.wait(5000, function() return client.is_stopped() end, 20)
end

local ok, message = pcall(run)
if not ok then vim.fn.writefile({ vim.fn.json_encode({ error = tostring(message) }) }, os.getenv('GLOSSEL_ANSWERS')) end
vim.cmd('qa!')
