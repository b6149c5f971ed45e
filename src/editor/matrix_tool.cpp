#include "editor/matrix_tool.h"

#include "base/dpi_scale.h"

int ToolImageSize(int dpi) { return kToolImageSizes[PictureSetForDpi(dpi)]; }
