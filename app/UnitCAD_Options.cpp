// The options dialog's changes, applied at once to the window and its settings fields.

#include "UnitCAD.h"

#include "UnitOptions.h"

void TFrmCAD::PM_OptionsClick()
{
    ShowOptionsDialog(*this);
}

void TFrmCAD::ApplyThumbSize(std::int32_t n)
{
    ThumbW = n;
    ApplyThumbSettings();
}

void TFrmCAD::ApplyThumbBorderColor(std::int32_t colorRef)
{
    ThumbBorderColor = colorRef;
    ApplyThumbSettings();
}

void TFrmCAD::ApplyThumbBackColor(std::int32_t colorRef)
{
    ThumbBackColor = colorRef;
    ApplyThumbSettings();
}

void TFrmCAD::ApplyThumbSpaceW(std::int32_t v)
{
    ThumbSpaceW = v;
    ApplyThumbSettings();
}

void TFrmCAD::ApplyThumbSpaceH(std::int32_t v)
{
    ThumbSpaceH = v;
    ApplyThumbSettings();
}

void TFrmCAD::ApplyThumbBorderType(std::uint8_t type)
{
    ThumbBorderType = type;
    ApplyThumbSettings();
}

void TFrmCAD::ApplyBkColor(std::int32_t index)
{
    BkColor = index;
    ApplyBackground(index);
}
