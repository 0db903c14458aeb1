#include "cad/dwg/DwgHeaderVars.h"

namespace cad::dwg {

namespace {
void skipB(BitReader& r, int n) { for (int i = 0; i < n; ++i) (void)r.B(); }
void skipBS(BitReader& r, int n) { for (int i = 0; i < n; ++i) (void)r.BS(); }
void skipBD(BitReader& r, int n) { for (int i = 0; i < n; ++i) (void)r.BD(); }
void skipBL(BitReader& r, int n) { for (int i = 0; i < n; ++i) (void)r.BL(); }
void skipRC(BitReader& r, int n) { for (int i = 0; i < n; ++i) (void)r.RC(); }
void skip3BD(BitReader& r, int n) { for (int i = 0; i < n; ++i) (void)r.BD3(); }
} // namespace

// Walks the variables in file order up to the last one the viewer uses. The
// handles of 2007+ files live in a separate stream (`h`), older ones inline.
void readHeaderVars(BitReader& r, BitReader& h, HeaderVars& v)
{
    const Ver ver = r.version();
    const bool r13_14 = ver <= Ver::R14;
    const bool r2000 = ver >= Ver::R2000;
    const bool r2004 = ver >= Ver::R2004;
    const bool r2007 = ver >= Ver::R2007;
    const bool r2010 = ver >= Ver::R2010;
    const bool r2013 = ver >= Ver::R2013;
    auto H = [&]() { return h.H(); };

    if (r2013)
        (void)r.BLL();
    skipBD(r, 4);
    for (int i = 0; i < 4; ++i)
        (void)r.TV();
    skipBL(r, 2);
    if (r13_14)
        (void)r.BS();
    if (!r2004)
        (void)H(); // current viewport entity header
    skipB(r, 2); // DIMASO DIMSHO
    if (r13_14)
        skipB(r, 1);
    (void)r.B(); // PLINEGEN
    (void)r.B(); // ORTHOMODE
    (void)r.B(); // REGENMODE
    v.fillMode = r.B();
    (void)r.B(); // QTEXTMODE
    v.psLtScale = r.B();
    (void)r.B(); // LIMCHECK
    if (r13_14)
        (void)r.B();
    if (r2004)
        (void)r.B();
    skipB(r, 4); // USRTIMER SKPOLY ANGDIR SPLFRAME
    if (r13_14)
        skipB(r, 2);
    skipB(r, 2); // MIRRTEXT WORLDVIEW
    if (r13_14)
        skipB(r, 1);
    skipB(r, 3); // TILEMODE PLIMCHECK VISRETAIN
    if (r13_14)
        skipB(r, 1);
    skipB(r, 2); // DISPSILH PELLIPSE
    (void)r.BS(); // PROXYGRAPHICS
    if (r13_14)
        (void)r.BS();
    skipBS(r, 5); // TREEDEPTH LUNITS LUPREC AUNITS AUPREC
    if (r13_14)
        (void)r.BS();
    (void)r.BS(); // ATTMODE
    if (r13_14)
        (void)r.BS();
    v.pdMode = r.BS();
    if (r13_14)
        (void)r.BS();
    if (r2004)
        skipBL(r, 3);
    skipBS(r, 19);
    v.ltScale = r.BD();
    v.textSize = r.BD();
    skipBD(r, 5); // TRACEWID SKETCHINC FILLETRAD THICKNESS ANGBASE
    v.pdSize = r.BD();
    skipBD(r, 1 + 5 + 4 + 2); // PLINEWID USERR1-5 CHAMFERA-D FACETRES CMLSCALE
    v.celtScale = r.BD();
    if (!r2007)
        (void)r.TV(); // MENUNAME
    skipBL(r, 4);
    if (r2004)
        skipBL(r, 3);
    skipBL(r, 4);
    (void)r.CMC(); // CECOLOR
    (void)r.H();   // HANDSEED, always in the data stream
    (void)H();     // CLAYER
    v.textStyle = H().value;
    (void)H(); // CELTYPE
    if (r2007)
        (void)H();
    (void)H(); // DIMSTYLE
    (void)H(); // CMLSTYLE
    if (r2000)
        (void)r.BD();
    // Paper space block.
    skip3BD(r, 3);
    (void)r.RD2();
    (void)r.RD2();
    (void)r.BD();
    skip3BD(r, 3);
    (void)H();
    if (r2000) {
        (void)H();
        (void)r.BS();
        (void)H();
        skip3BD(r, 6);
    }
    // Model space.
    (void)r.BD3(); // INSBASE
    v.extMin = r.BD3();
    v.extMax = r.BD3();
    v.limMin = r.RD2();
    v.limMax = r.RD2();
    (void)r.BD();
    skip3BD(r, 3);
    (void)H();
    if (r2000) {
        (void)H();
        (void)r.BS();
        (void)H();
        skip3BD(r, 6);
        (void)r.TV(); // DIMPOST
        (void)r.TV(); // DIMAPOST
    }
    if (r13_14) {
        skipB(r, 11);
        skipRC(r, 2);
        skipB(r, 2);
        skipRC(r, 3);
        skipB(r, 1);
        skipRC(r, 4);
        skipBS(r, 6);
        (void)H();
    }
    skipBD(r, 9);
    if (r2007) {
        skipBD(r, 2);
        (void)r.BS();
        (void)r.CMC();
    }
    if (r2000) {
        skipB(r, 6);
        skipBS(r, 3);
    }
    if (r2007)
        (void)r.BS();
    skipBD(r, 8);
    if (r13_14)
        for (int i = 0; i < 5; ++i)
            (void)r.TV();
    if (r2000) {
        (void)r.BD();
        (void)r.B();
        (void)r.BS();
        skipB(r, 4);
    }
    (void)r.CMC();
    (void)r.CMC();
    (void)r.CMC();
    if (r2000) {
        skipBS(r, 11);
        skipB(r, 2);
        skipBS(r, 4);
        (void)r.B();
        (void)r.BS();
    }
    if (r2007)
        (void)r.B();
    if (r2010) {
        (void)r.B();
        (void)r.BD();
        (void)r.TV();
        (void)r.BD();
        (void)r.TV();
    }
    if (r2000)
        for (int i = 0; i < 5; ++i)
            (void)H();
    if (r2007)
        for (int i = 0; i < 3; ++i)
            (void)H();
    if (r2000)
        skipBS(r, 2);
    v.blockControl = H().value;
    v.layerControl = H().value;
    v.styleControl = H().value;
    v.linetypeControl = H().value;
    for (int i = 0; i < 5; ++i)
        (void)H(); // VIEW UCS VPORT APPID DIMSTYLE controls
    if (!r2004)
        (void)H();
    for (int i = 0; i < 3; ++i)
        (void)H(); // group, mline style, named objects dictionaries
    if (r2000) {
        skipBS(r, 2);
        (void)r.TV();
        (void)r.TV();
        for (int i = 0; i < 3; ++i)
            (void)H();
    }
    if (r2004) {
        (void)H();
        (void)H();
    }
    if (r2007)
        (void)H();
    if (r2013)
        (void)H();
    if (r2000) {
        const int flags = r.BL();
        v.lwDisplay = (flags & 0x200) ? 0 : 1;
        v.insUnits = r.BS();
        const int cepsnType = r.BS();
        if (cepsnType == 3)
            (void)H();
        (void)r.TV();
        (void)r.TV();
    }
    if (r2004) {
        skipRC(r, 6);
        skipBS(r, 2);
        skipRC(r, 2);
        (void)r.TV();
    }
    v.paperSpace = H().value;
    v.modelSpace = H().value;
    v.complete = true;
}

} // namespace cad::dwg
