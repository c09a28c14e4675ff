// Figures of the HTML report: the SVG files of the run read back and made fit to stand inline
// in one page. See html.h.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "report/html.h"
#include "report/html_internal.h"

namespace tolm {

namespace fs = std::filesystem;

std::vector<HtmlFigure> read_html_figures(const std::string& dir) {
  std::vector<HtmlFigure> out;
  std::error_code ec;
  if (dir.empty() || !fs::is_directory(dir, ec)) return out;
  auto add = [&](const fs::path& folder, const std::string& sub) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder, ec))
      if (e.is_regular_file(ec) && e.path().extension() == ".svg")
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
      std::ifstream in(folder / n, std::ios::binary);
      std::ostringstream s;
      s << in.rdbuf();
      if (in.bad()) continue;
      out.push_back({sub + n, s.str()});
    }
  };
  add(fs::path(dir), "");
  if (fs::is_directory(fs::path(dir) / "snails", ec)) add(fs::path(dir) / "snails", "snails/");
  return out;
}

namespace {

// Rounds every decimal number with more than one decimal to one ("239.878906" -> "239.9"):
// a tenth of a point is finer than a screen or a printer shows.
std::string round_numbers(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  auto digit = [&](size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '9'; };
  while (i < s.size()) {
    const bool start =
        digit(i) && (i == 0 || !(std::isalnum(static_cast<unsigned char>(s[i - 1])) ||
                                 s[i - 1] == '_' || s[i - 1] == '.'));
    if (!start) {
      out += s[i++];
      continue;
    }
    size_t j = i;
    while (digit(j)) ++j;
    if (j < s.size() && s[j] == '.' && digit(j + 1)) {
      size_t k = j + 1;
      while (digit(k)) ++k;
      if (k - j - 1 > 1) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.1f", std::strtod(s.substr(i, k - i).c_str(), nullptr));
        std::string t = buf;
        while (t.back() == '0') t.pop_back();
        if (t.back() == '.') t.pop_back();
        out += t;
      } else {
        out.append(s, i, k - i);
      }
      i = k;
    } else {
      out.append(s, i, j - i);
      i = j;
    }
  }
  return out;
}

// The value of attribute `name` inside the tag text `tag`, or "".
std::string attr(const std::string& tag, const std::string& name) {
  const size_t a = tag.find(" " + name + "=\"");
  if (a == std::string::npos) return "";
  const size_t b = a + name.size() + 3;
  const size_t e = tag.find('"', b);
  return e == std::string::npos ? "" : tag.substr(b, e - b);
}

}  // namespace

std::string SvgInliner::inline_svg(const std::string& text, int fig, const std::string& label) {
  // 1. The root element only, without prolog or namespace declarations
  size_t root = text.find("<svg");
  if (root == std::string::npos) return "";
  std::string s = round_numbers(text.substr(root));
  const std::string pre = "f" + std::to_string(fig) + "-";

  // 2. Glyph symbols move to the shared definitions, one per distinct outline
  std::map<std::string, std::string> glyph;  // local id -> shared id
  std::string body;
  size_t at = 0;
  for (;;) {
    const size_t b = s.find("<symbol", at);
    if (b == std::string::npos) break;
    const size_t gt = s.find('>', b);
    const size_t e = s.find("</symbol>", b);
    if (gt == std::string::npos || e == std::string::npos) break;
    const std::string open = s.substr(b, gt - b + 1);
    const std::string id = attr(open, "id");
    const std::string inner = s.substr(gt + 1, e - gt - 1);
    auto [it, fresh] = shared_.emplace(inner, "g" + std::to_string(shared_.size() + 1));
    if (fresh)
      defs_ += "<symbol overflow=\"visible\" id=\"" + it->second + "\">" + inner + "</symbol>";
    glyph[id] = it->second;
    body.append(s, at, b - at);
    at = e + 9;
  }
  body.append(s, at, std::string::npos);

  // 3. Every other id is made unique in the page; references follow
  std::string out;
  out.reserve(body.size());
  auto ref = [&](const std::string& id) {
    const auto it = glyph.find(id);
    return it != glyph.end() ? it->second : pre + id;
  };
  for (size_t i = 0; i < body.size();) {
    auto at_text = [&](const char* t) {
      return body.compare(i, std::char_traits<char>::length(t), t) == 0;
    };
    if (at_text(" style=\"")) {
      const size_t e = body.find('"', i + 8);
      if (e != std::string::npos) {
        std::string style = body.substr(i + 8, e - i - 8);
        for (const char* dflt : {"fill-opacity:1;", "stroke-opacity:1;"}) {
          const size_t a = style.find(dflt);
          if (a != std::string::npos) style.erase(a, std::strlen(dflt));
        }
        auto [it, fresh] = classes_.emplace(style, "s" + std::to_string(classes_.size() + 1));
        if (fresh) css_ += "svg ." + it->second + "{" + style + "}\n";
        out += " class=\"" + it->second + "\"";
        i = e + 1;
        continue;
      }
    }
    std::string lead;
    if (at_text(" id=\"")) {
      lead = " id=\"";
    } else if (at_text(" xlink:href=\"#") || at_text(" href=\"#")) {
      lead = " href=\"#";
    } else if (at_text("url(#")) {
      lead = "url(#";
    }
    if (lead.empty()) {
      out += body[i++];
      continue;
    }
    const size_t b = body.find(lead == "url(#" ? '(' : '"', i) + 1 + (lead == " id=\"" ? 0 : 1);
    const size_t e = body.find_first_of(lead == "url(#" ? ")" : "\"", b);
    if (e == std::string::npos) {
      out.append(body, i, std::string::npos);
      break;
    }
    const std::string id = body.substr(b, e - b);
    out += lead + (lead == " id=\"" ? pre + id : ref(id));
    i = e;
  }

  // 4. The root: namespaces dropped (implied inside HTML), a class and the caption for readers
  const size_t gt = out.find('>');
  if (gt == std::string::npos) return "";
  std::string open = out.substr(0, gt);
  for (const char* ns : {" xmlns=\"", " xmlns:xlink=\""}) {
    const size_t a = open.find(ns);
    const size_t e = a == std::string::npos ? a : open.find('"', a + std::strlen(ns));
    if (e != std::string::npos) open.erase(a, e + 1 - a);
  }
  open.insert(4, " class=\"fig\" role=\"img\" aria-label=\"" + html_escape(label) + "\"");
  std::string rest = out.substr(gt);
  // Indentation and empty groups of the definitions carry nothing
  std::string tight;
  tight.reserve(rest.size());
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '\n') {
      if (tight.empty() || tight.back() != '\n') tight += '\n';
      while (i + 1 < rest.size() && (rest[i + 1] == ' ' || rest[i + 1] == '\n')) ++i;
      continue;
    }
    tight += rest[i];
  }
  for (const char* empty : {"<g>\n</g>\n", "<defs>\n</defs>\n"}) {
    size_t a;
    while ((a = tight.find(empty)) != std::string::npos) tight.erase(a, std::strlen(empty));
  }
  return open + tight;
}

std::string SvgInliner::definitions() const {
  if (defs_.empty()) return "";
  return "<svg class=\"defs\" width=\"0\" height=\"0\" aria-hidden=\"true\"><defs>" + defs_ +
         "</defs></svg>\n";
}

}  // namespace tolm
