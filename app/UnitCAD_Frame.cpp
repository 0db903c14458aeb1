// The skinned frame: painting, resize zones, moving, window buttons.

#include "UnitCAD.h"

void TFrmCAD::CreateFrameBehaviour()
{
}
