// Parts of the HTML report shared between its files; see html.h.
//
// SvgInliner turns the figure files of a run into inline <svg> elements of one page. It reads
// only the texts it is given and keeps, per report, the shared glyph outlines and the style
// classes met so far: ids stay unique across the page, and each outline is kept once.
#pragma once

#include <map>
#include <string>

namespace tolm {

// Makes SVG files fit to stand inline in one page: the prolog and namespace declarations go,
// numbers keep one decimal, every id is made unique to its figure, the glyph outlines, which
// every file of the run repeats, are kept once in shared definitions, and each distinct style
// attribute becomes a class of the page's style sheet.
class SvgInliner {
 public:
  // The figure's <svg> element for the page; `fig` numbers the figure, `label` describes it.
  std::string inline_svg(const std::string& text, int fig, const std::string& label);
  // The hidden <svg> holding the shared glyphs ("" when there are none).
  std::string definitions() const;
  // The style rules of those classes.
  const std::string& styles() const { return css_; }

 private:
  std::map<std::string, std::string> shared_;  // outline -> shared id
  std::string defs_;
  std::map<std::string, std::string> classes_;  // style -> class
  std::string css_;
};

}  // namespace tolm
