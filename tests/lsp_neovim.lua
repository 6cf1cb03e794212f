-- Neovim's own language client (0.7 and later) against glossel-lsp: opens a file,
-- starts the server on it, sends the requests of a table and writes the answers.
--   GLOSSEL_LSP      the server
--   GLOSSEL_ROOT     the workspace folder
--   GLOSSEL_REQUESTS a JSON file: { "file": path, "requests": [ { "method": m, "params": p } ... ] }
--   GLOSSEL_ANSWERS  where the answers go: a JSON array, one { "result": r } or
--                    { "error": e } a request, in order
local function run()
  local table_file = os.getenv('GLOSSEL_REQUESTS')
  local spec = vim.fn.json_decode(table.concat(vim.fn.readfile(table_file), '\n'))
  vim.cmd('edit ' .. vim.fn.fnameescape(spec.file))
  local buf = vim.api.nvim_get_current_buf()
  local id = vim.lsp.start_client({
    name = 'glossel',
    cmd = { os.getenv('GLOSSEL_LSP') },
    root_dir = os.getenv('GLOSSEL_ROOT'),
  })
  vim.lsp.buf_attach_client(buf, id)
  local client = vim.lsp.get_client_by_id(id)
  local ready = vim.wait(10000, function()
    return client.server_capabilities ~= nil and next(client.server_capabilities) ~= nil
  end, 20)
  if not ready then error('the server did not initialize') end
  local answers = {}
  for _, request in ipairs(spec.requests) do
    local response, err = client.request_sync(request.method, request.params, 10000, buf)
    if not response then
      table.insert(answers, { error = { message = tostring(err) } })
    elseif response.err then
      table.insert(answers, { error = response.err })
    else
      table.insert(answers, { result = response.result == nil and vim.NIL or response.result })
    end
  end
  vim.fn.writefile({ vim.fn.json_encode(answers) }, os.getenv('GLOSSEL_ANSWERS'))
  client.stop()
  vim.wait(5000, function() return client.is_stopped() end, 20)
end

local ok, message = pcall(run)
if not ok then
  vim.fn.writefile({ vim.fn.json_encode({ { error = { message = tostring(message) } } }) },
    os.getenv('GLOSSEL_ANSWERS'))
end
vim.cmd('qa!')
