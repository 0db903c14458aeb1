// The options dialog's changes, applied at once to the window and its settings fields.

#include "UnitCAD.h"

#include "CADFunctions.h"
#include "ThumbGrid.h"
#include "UnitOptions.h"

#include <algorithm>
#include <climits>

void TFrmCAD::PM_OptionsClick()
{
    ShowOptionsDialog(*this);
}

void TFrmCAD::ApplyThumbSize(std::int32_t n)
{
    // Width first, then height; each lays the view out again.
    ShellThumbFiles->SetThumbWidth(n);
    ShellThumbFiles->SetThumbHeight(int(std::min<qint64>(qint64(n) + 20, INT_MAX)));
    ThumbW = n;
}

void TFrmCAD::ApplyThumbBorderColor(std::int32_t colorRef)
{
    const QColor c = ColorRefToQColor(colorRef);
    if (ShellThumbFiles->ThumbnailsBorderColor() != c) {
        ShellThumbFiles->SetThumbnailsBorderColor(c);
        ShellThumbFiles->viewport()->update();
    }
    ThumbBorderColor = colorRef;
}

void TFrmCAD::ApplyThumbBackColor(std::int32_t colorRef)
{
    // Shows at the view's next repaint.
    ShellThumbFiles->SetThumbnailsBackground(ColorRefToQColor(colorRef));
    ThumbBackColor = colorRef;
}

void TFrmCAD::ApplyThumbSpaceW(std::int32_t v)
{
    ShellThumbFiles->SetHorizBorder(v);
    ThumbSpaceW = v;
}

void TFrmCAD::ApplyThumbSpaceH(std::int32_t v)
{
    ShellThumbFiles->SetVertBorder(v);
    ThumbSpaceH = v;
}

void TFrmCAD::ApplyThumbBorderType(std::uint8_t type)
{
    ThumbBorderType = type;
    // The frame is drawn by the painting hook, so a repaint shows the new style.
    ShellThumbFiles->viewport()->repaint();
}

void TFrmCAD::ApplyBkColor(std::int32_t index)
{
    BkColor = index;
    ApplyBackground(index);
}
