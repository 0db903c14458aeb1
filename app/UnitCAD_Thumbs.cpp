// Thumbnail catalogue, painting hook and the preview loader.

#include "UnitCAD.h"

void TFrmCAD::CreateThumbControls()
{
}

void TFrmCAD::CreateLoader()
{
}

void TFrmCAD::ApplyThumbSettings()
{
}

void TFrmCAD::StopLoader()
{
}
