#include "cad/render/TextLayout.h"

#include <algorithm>
#include <cmath>

#include "cad/render/Tessellate.h"

namespace cad::render {

namespace {

std::string lowerAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

std::string baseName(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    return std::string(path);
}

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

double charAdvance(char32_t c) {
    if (isWide(c)) return 1.0;
    if (c == ' ') return 0.5;
    if (c == 'i' || c == 'l' || c == 'j' || c == '\'' || c == '.' || c == ',' || c == ':' ||
        c == ';' || c == '|' || c == '!')
        return 0.35;
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == 'm' || c == 'w') return 0.75;
    return 0.65;
}

}  // namespace

std::u32string decodeUtf8(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + std::size_t(len) > s.size()) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        bool ok = true;
        for (int k = 1; k < len; ++k) {
            const unsigned char cc = static_cast<unsigned char>(s[i + std::size_t(k)]);
            if ((cc >> 6) != 2) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        out.push_back(ok ? cp : 0xFFFD);
        i += ok ? std::size_t(len) : 1;
    }
    return out;
}

std::string fontFamilyFor(const cad::TextStyle* style, std::string_view runFont) {
    std::string file;
    if (!runFont.empty()) {
        file = std::string(runFont);
    } else if (style) {
        if (!style->fontFamily.empty()) return style->fontFamily;
        file = style->fontFile;
    }
    const std::string lower = lowerAscii(baseName(file));
    if (lower.empty() || lower.ends_with(".shx") || lower.find('.') == std::string::npos) {
        // A bare name from \f is a family already; a bare style font is an SHX.
        if (!runFont.empty() && lower.find('.') == std::string::npos && !lower.empty())
            return std::string(runFont);
        return kShxSubstituteFamily;
    }
    // TrueType files: the family is what fontconfig knows them by.
    struct Known {
        const char* file;
        const char* family;
    };
    static const Known known[] = {
        {"simsun", "宋体"},         {"simhei", "黑体"},        {"simkai", "楷体"},
        {"simfang", "仿宋"},        {"fangsong", "仿宋"},      {"msyh", "Microsoft YaHei"},
        {"arial", "Arial"},         {"times", "Times New Roman"}, {"cour", "Courier New"},
        {"isocp", "ISOCP"},         {"romans", kShxSubstituteFamily},
    };
    const std::string stem = lower.substr(0, lower.rfind('.'));
    for (const Known& k : known)
        if (stem.starts_with(k.file)) return k.family;
    return baseName(file).substr(0, baseName(file).rfind('.'));
}

double estimateTextWidth(std::string_view utf8, double height, double widthFactor) {
    double units = 0;
    for (char32_t c : decodeUtf8(utf8)) units += charAdvance(c);
    return units * height * (widthFactor > 0 ? widthFactor : 1);
}

TextRun layoutText(const cad::Text& t, const cad::TextStyle* style, double defaultHeight) {
    TextRun run;
    run.text = cad::decodeTextSpecials(t.text, &run.underline, &run.overline);
    run.family = fontFamilyFor(style);
    run.height = t.height > 0 ? t.height
                 : (style && style->height > 0) ? style->height
                                                 : defaultHeight;
    run.widthFactor = t.widthFactor > 0 ? t.widthFactor
                      : (style && style->widthFactor > 0) ? style->widthFactor
                                                           : 1;
    run.oblique = t.oblique != 0 ? t.oblique : style ? style->oblique : 0;
    run.rotation = t.rotation;
    run.mirrorX = t.generation & 2;
    run.mirrorY = t.generation & 4;
    run.anchor = {t.insertion.x, t.insertion.y};
    const Vec2 align = t.hasAlignPoint ? Vec2{t.alignPoint.x, t.alignPoint.y} : run.anchor;
    const bool aligned = t.hAlign == 3 || t.hAlign == 5;
    if (aligned && t.hasAlignPoint) {
        // Baseline runs from the first to the second point.
        const Vec2 d = align - run.anchor;
        const double len = d.length();
        if (len > 0) {
            run.rotation = std::atan2(d.y, d.x);
            run.fitWidth = len;
            if (t.hAlign == 3) {
                const double natural = estimateTextWidth(run.text, 1, run.widthFactor);
                if (natural > 0) run.height = len / natural;
            }
        }
    } else if (t.hAlign != 0 || t.vAlign != 0) {
        run.anchor = align;
        if (t.hAlign == 4) {
            run.hAlign = HAlign::Centre;
            run.vAlign = VAlign::Middle;
        } else {
            run.hAlign = t.hAlign == 1 ? HAlign::Centre : t.hAlign == 2 ? HAlign::Right : HAlign::Left;
            run.vAlign = t.vAlign == 1   ? VAlign::Bottom
                         : t.vAlign == 2 ? VAlign::Middle
                         : t.vAlign == 3 ? VAlign::Top
                                         : VAlign::Baseline;
        }
    }
    run.estimatedWidth = run.fitWidth > 0 ? run.fitWidth
                                          : estimateTextWidth(run.text, run.height, run.widthFactor);
    return run;
}

namespace {

struct Piece {
    std::size_t run;  // index into the paragraph's runs
    std::string text;
    double x = 0, width = 0;
};

struct Line {
    std::vector<Piece> pieces;
    double width = 0;
    double height = 0;  // tallest run
};

// Splits into wrap tokens: words with their trailing spaces, and each wide
// (CJK) character on its own, since those wrap anywhere.
std::vector<std::string> wrapTokens(std::string_view s) {
    std::vector<std::string> out;
    std::string cur;
    const std::u32string cps = decodeUtf8(s);
    std::size_t byte = 0;
    for (char32_t c : cps) {
        // Re-slice the original bytes to keep them exact.
        std::size_t len = 1;
        const unsigned char b = static_cast<unsigned char>(s[byte]);
        if (b >= 0xF0) len = 4;
        else if (b >= 0xE0) len = 3;
        else if (b >= 0xC0) len = 2;
        len = std::min(len, s.size() - byte);
        const std::string_view bytes = s.substr(byte, len);
        byte += len;
        if (isWide(c)) {
            if (!cur.empty()) out.push_back(std::move(cur)), cur.clear();
            out.emplace_back(bytes);
        } else {
            if (c != ' ' && !cur.empty() && cur.back() == ' ')
                out.push_back(std::move(cur)), cur.clear();
            cur += bytes;
        }
    }
    if (!cur.empty()) out.push_back(std::move(cur));
    return out;
}

}  // namespace

std::vector<TextRun> layoutMText(const cad::MText& m, const cad::TextStyle* style,
                                 double defaultHeight) {
    const double nominal = m.height > 0 ? m.height
                           : (style && style->height > 0) ? style->height
                                                           : defaultHeight;
    const double styleWidth = style && style->widthFactor > 0 ? style->widthFactor : 1;
    const std::vector<cad::MTextParagraph> parsed =
        m.paragraphs.empty() && !m.rawText.empty() ? cad::parseMText(m.rawText)
                                                   : std::vector<cad::MTextParagraph>{};
    const std::vector<cad::MTextParagraph>& paras = m.paragraphs.empty() ? parsed : m.paragraphs;

    auto runHeight = [&](const cad::MTextRun& r) { return r.height > 0 ? r.height : nominal; };
    auto runWidth = [&](const cad::MTextRun& r) {
        return r.widthFactor > 0 ? r.widthFactor : styleWidth;
    };

    struct ParaLines {
        const cad::MTextParagraph* para;
        std::vector<Line> lines;
    };
    std::vector<ParaLines> all;
    for (const cad::MTextParagraph& p : paras) {
        ParaLines pl{&p, {}};
        Line line;
        auto commit = [&] {
            if (line.height == 0) line.height = nominal;
            pl.lines.push_back(std::move(line));
            line = Line{};
        };
        for (std::size_t ri = 0; ri < p.runs.size(); ++ri) {
            const cad::MTextRun& r = p.runs[ri];
            const double h = runHeight(r), wf = runWidth(r);
            std::string text = r.stacked ? r.stackTop + "/" + r.stackBottom : r.text;
            for (std::string& tok : wrapTokens(text)) {
                const double w = estimateTextWidth(tok, r.stacked ? h * 0.7 : h, wf);
                const bool blank = tok.find_first_not_of(' ') == std::string::npos;
                if (m.refWidth > 0 && !line.pieces.empty() && !blank &&
                    line.width + w > m.refWidth * 1.001) {
                    // Trailing spaces do not count for the line's width.
                    commit();
                }
                if (line.pieces.empty() || line.pieces.back().run != ri)
                    line.pieces.push_back(Piece{ri, {}, line.width, 0});
                line.pieces.back().text += tok;
                line.pieces.back().width += w;
                line.width += w;
                line.height = std::max(line.height, h);
            }
        }
        commit();
        all.push_back(std::move(pl));
    }

    // Baselines: the first sits one cap height below the top; then 5/3 of the
    // text height per line, as CAD programs space MTEXT.
    const double factor = std::clamp(m.lineSpacingFactor > 0 ? m.lineSpacingFactor : 1, 0.25, 4.0);
    std::vector<TextRun> out;
    double y = 0;
    bool first = true;
    double maxWidth = 0;
    struct Placed {
        const cad::MTextParagraph* para;
        const Line* line;
        double baseline;
    };
    std::vector<Placed> placed;
    for (const ParaLines& pl : all)
        for (const Line& l : pl.lines) {
            const double step = m.lineSpacingStyle == 2 ? nominal * 5 / 3 * factor
                                                        : std::max(nominal, l.height) * 5 / 3 * factor;
            y = first ? -l.height : y - step;
            first = false;
            placed.push_back({pl.para, &l, y});
            maxWidth = std::max(maxWidth, l.width);
        }
    if (placed.empty()) return out;
    const double totalHeight = -placed.back().baseline;
    const int att = std::clamp(m.attachment, 1, 9);
    const int col = (att - 1) % 3, row = (att - 1) / 3;
    const double yShift = row == 0 ? 0 : row == 1 ? totalHeight / 2 : totalHeight;

    const double rot = std::atan2(m.xAxis.y, m.xAxis.x);
    const double cr = std::cos(rot), sr = std::sin(rot);
    const Vec2 origin{m.insertion.x, m.insertion.y};
    auto toWorld = [&](double lx, double ly) {
        return Vec2{origin.x + lx * cr - ly * sr, origin.y + lx * sr + ly * cr};
    };

    for (const Placed& p : placed) {
        const Line& l = *p.line;
        const double lineX = col == 0 ? 0 : col == 1 ? -l.width / 2 : -l.width;
        for (const Piece& piece : l.pieces) {
            if (piece.text.find_first_not_of(' ') == std::string::npos) continue;
            const cad::MTextRun& r = p.para->runs[piece.run];
            TextRun t;
            t.text = piece.text;
            while (!t.text.empty() && t.text.back() == ' ') t.text.pop_back();
            t.family = fontFamilyFor(style, r.font);
            t.height = r.stacked ? runHeight(r) * 0.7 : runHeight(r);
            t.widthFactor = runWidth(r);
            t.oblique = r.oblique != 0 ? r.oblique : style ? style->oblique : 0;
            t.rotation = rot;
            t.bold = r.bold;
            t.italic = r.italic;
            t.underline = r.underline;
            t.overline = r.overline;
            t.strike = r.strike;
            t.aci = r.color;
            t.trueColour = r.trueColor;
            t.estimatedWidth = estimateTextWidth(t.text, t.height, t.widthFactor);
            const double ly = p.baseline + yShift;
            if (l.pieces.size() == 1 && col != 0) {
                // Sole piece: let the draw step align it with real metrics.
                t.hAlign = col == 1 ? HAlign::Centre : HAlign::Right;
                t.anchor = toWorld(0, ly);
            } else {
                t.anchor = toWorld(lineX + piece.x, ly);
            }
            out.push_back(std::move(t));
        }
    }
    return out;
}

}  // namespace cad::render
