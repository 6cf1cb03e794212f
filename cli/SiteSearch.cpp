#include "SiteSearch.h"

#include "SiteText.h"

namespace {

// A JSON string: quotes, backslashes and control characters escaped, and '<' too, so
// that no text reads as markup wherever the index is put.
void AppendJsonString(std::string& out, std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == '<' || c == 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    out += '"';
}

constexpr std::string_view kScript = R"js(// Finds the site's names as they are typed (search-index.js, loaded on first use).
(function () {
  "use strict";
  var script = document.currentScript;
  var root = (script && script.getAttribute("src") || "").replace(/search\.js$/, "");
  var form = document.querySelector("header form.search");
  if (!form) return;
  var input = form.querySelector("input");
  var list = form.querySelector("ol.found");
  var index = null;
  var keys = [];
  var loading = false;
  var shown = [];
  var chosen = 0;
  var MOST = 50;

  window.glosselNames = function (data) {
    index = data;
    keys = data.names.map(function (row) { return row[0].toLowerCase(); });
    find();
  };

  function load() {
    if (index || loading) return;
    loading = true;
    var s = document.createElement("script");
    s.src = root + "search-index.js";
    document.head.appendChild(s);
  }

  function hrefOf(row) {
    return root + "src/" + index.files[row[2]][1] + "#L" + row[3];
  }

  function close() {
    list.hidden = true;
    shown = [];
  }

  function choose(i) {
    var items = list.querySelectorAll("li.hit");
    if (!items.length) return;
    chosen = (i + items.length) % items.length;
    items.forEach(function (li, k) { li.classList.toggle("chosen", k === chosen); });
    // Within the list only: the page stays where it is.
    var li = items[chosen];
    if (li.offsetTop < list.scrollTop) list.scrollTop = li.offsetTop;
    else if (li.offsetTop + li.offsetHeight > list.scrollTop + list.clientHeight)
      list.scrollTop = li.offsetTop + li.offsetHeight - list.clientHeight;
  }

  // Names that begin with the text first, then names that hold it; each in A to Z order.
  function find() {
    if (!index) return;
    var q = input.value.trim().toLowerCase();
    list.textContent = "";
    if (!q) { close(); return; }
    var starts = [], holds = [];
    for (var i = 0; i < keys.length; ++i) {
      var at = keys[i].indexOf(q);
      if (at < 0) continue;
      var quoted = keys[i][0] === "'" || keys[i][0] === '"';
      (at === 0 || (at === 1 && quoted) ? starts : holds).push(i);
    }
    var all = starts.concat(holds);
    shown = all.slice(0, MOST);
    shown.forEach(function (i) {
      var row = index.names[i];
      var li = document.createElement("li");
      li.className = "hit";
      var a = document.createElement("a");
      a.href = hrefOf(row);
      a.textContent = row[0];
      var kind = document.createElement("span");
      kind.className = "k";
      kind.textContent = " " + index.kinds[row[1]] + " ";
      var file = document.createElement("span");
      file.className = "k";
      file.textContent = index.files[row[2]][0] + ":" + row[3];
      li.appendChild(a);
      li.appendChild(kind);
      li.appendChild(file);
      list.appendChild(li);
    });
    var li = document.createElement("li");
    li.className = "more";
    li.textContent = all.length === 0 ? "No name holds \u201c" + input.value.trim() + "\u201d"
      : all.length > MOST ? (all.length - MOST) + " more; type more of the name" : "";
    if (li.textContent) list.appendChild(li);
    list.hidden = false;
    choose(0);
  }

  form.hidden = false;
  form.addEventListener("submit", function (e) { e.preventDefault(); });
  input.addEventListener("focus", load);
  input.addEventListener("input", function () { load(); find(); });
  input.addEventListener("keydown", function (e) {
    if (e.key === "ArrowDown" || e.key === "ArrowUp") {
      e.preventDefault();
      choose(chosen + (e.key === "ArrowDown" ? 1 : -1));
    } else if (e.key === "Enter") {
      e.preventDefault();
      if (shown.length) window.location.href = hrefOf(index.names[shown[chosen]]);
    } else if (e.key === "Escape") {
      input.value = "";
      close();
    }
  });
  document.addEventListener("click", function (e) {
    if (!form.contains(e.target)) close();
  });
})();
)js";

}  // namespace

void SiteSearchIndex(const CSiteCatalog& catalog, const SitePieces& put)
{
    constexpr std::size_t kPiece = 64 * 1024;
    const std::vector<SiteFile>& files = catalog.Files();
    std::string js = "glosselNames({\"kinds\":[";
    for (int k = 0; k < DEFINITION_KIND_COUNT; ++k) {
        if (k) js += ',';
        AppendJsonString(js, DefinitionKindName(static_cast<DefinitionKind>(k)));
    }
    // Files by their number in the catalog.
    js += "],\n\"files\":[";
    for (std::uint32_t f = 0; f < files.size(); ++f) {
        js += f ? ",\n[" : "\n[";
        AppendJsonString(js, ShownUtf8(files[f].shown, display::ChooseEncoding(files[f].shown.data(),
                                                                               files[f].shown.size())));
        js += ',';
        AppendJsonString(js, files[f].page);
        js += ']';
    }
    js += "],\n\"names\":[";
    bool first = true;
    for (const CSiteCatalog::NameEntry& entry : catalog.Names()) {
        for (const SiteDefinitionRef& ref : entry.definitions) {
            const SiteDefinition& d = catalog.Definition(ref);
            js += first ? "\n[" : ",\n[";
            first = false;
            AppendJsonString(js, d.name);
            js += ',' + std::to_string(static_cast<int>(d.kind)) + ',' + std::to_string(ref.file) + ',' +
                  std::to_string(d.line) + ']';
        }
        if (js.size() >= kPiece) {
            put(js);
            js.clear();
        }
    }
    js += "]});\n";
    put(js);
}

std::string_view SiteSearchScript()
{
    return kScript;
}
