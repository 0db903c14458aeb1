#pragma once
// Text placement: font choice, width estimates and line layout of TEXT and
// MTEXT. Widths are estimated from character classes so that this step needs
// no font engine; they drive MTEXT wrapping and the bounds used for culling.
// The draw step measures with the real font for alignment.

#include <string>
#include <string_view>
#include <vector>

#include "cad/model/Drawing.h"
#include "cad/render/Primitives.h"

namespace cad::render {

// The family substituted for SHX (stroke) fonts: a Song face, as Chinese
// drawings expect. The viewer registers fontconfig substitutes for it.
inline constexpr const char* kShxSubstituteFamily = "宋体";

// Family for a style (and an MTEXT run's \f or \F font, which wins when set).
std::string fontFamilyFor(const cad::TextStyle* style, std::string_view runFont = {});

// Estimated advance of `utf8` at cap height `height`.
double estimateTextWidth(std::string_view utf8, double height, double widthFactor = 1);

// TEXT, ATTRIB and ATTDEF in their own plane: the run's anchor is in the
// entity's OCS. `defaultHeight` applies when neither entity nor style fix one.
TextRun layoutText(const cad::Text& text, const cad::TextStyle* style, double defaultHeight);

// MTEXT: runs in world coordinates, one per line (or per formatted piece of
// a line), wrapped at the reference width.
std::vector<TextRun> layoutMText(const cad::MText& mtext, const cad::TextStyle* style,
                                 double defaultHeight);

// Unicode code points of a UTF-8 string; bad bytes become U+FFFD.
std::u32string decodeUtf8(std::string_view s);

}  // namespace cad::render
