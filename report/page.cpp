#include "report/page.h"

namespace report {

namespace {

const char* const common_style = R"js(
body{font:14px/1.4 system-ui,sans-serif;margin:0 auto;max-width:1400px;padding:0 16px 40px;color:#222}
h1{margin:0;font-size:26px}h2{font-size:18px;margin:28px 0 8px;border-bottom:1px solid #ddd}
table{border-collapse:collapse}td,th{padding:3px 8px;text-align:left;vertical-align:top}
code,pre{font-family:ui-monospace,monospace;font-size:13px}
pre{background:#f6f6f6;padding:8px;overflow:auto}
.pass{color:#17692a}.fail{color:#b3001b}.open{color:#8a6100}
.badge{display:inline-block;min-width:38px;text-align:center;border-radius:3px;font-weight:600;color:#fff;padding:0 4px}
.badge.pass{background:#2e8540}.badge.fail{background:#c8102e}.badge.open{background:#c28e00}
.verdict{padding:14px 16px;margin:16px 0;border-radius:4px;color:#fff}
.verdict.PASSED{background:#2e8540}.verdict.FAILED,.verdict.ERROR{background:#c8102e}.verdict.INTERRUPTED{background:#8a6100}
.verdict p{margin:4px 0 0}
table.sortable th{cursor:pointer;user-select:none}
table.sortable th.up:after{content:" \25B2"}table.sortable th.down:after{content:" \25BC"}
)js";

}  // namespace

const char* const sort_script = R"js(
document.querySelectorAll("table.sortable").forEach(function(table){
  var heads=table.tHead.rows[0].cells;
  Array.prototype.forEach.call(heads,function(th,column){
    th.addEventListener("click",function(){
      var up=!th.classList.contains("up");
      Array.prototype.forEach.call(heads,function(h){h.classList.remove("up","down");});
      th.classList.add(up?"up":"down");
      var body=table.tBodies[0],rows=Array.prototype.slice.call(body.rows);
      function key(row){var c=row.cells[column];return c.hasAttribute("data-sort")?c.getAttribute("data-sort"):c.textContent;}
      var numeric=rows.every(function(r){return key(r)!==""&&!isNaN(key(r));});
      rows.sort(function(a,b){
        var x=key(a),y=key(b),d=numeric?x-y:x.localeCompare(y);
        return up?d:-d;
      });
      rows.forEach(function(r){body.appendChild(r);});
    });
  });
});
)js";

std::string html_escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

void page_start(std::ostream& out, const std::string& title, const char* own_style) {
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
         "<title>" << html_escaped(title) << "</title>\n<style>" << common_style << own_style
      << "</style></head>\n<body>\n";
}

void page_end(std::ostream& out, const char* script) {
  out << "<script>\"use strict\";" << script << "</script>\n</body></html>\n";
}

}  // namespace report
