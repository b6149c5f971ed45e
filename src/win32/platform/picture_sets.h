// The program's pixel pictures (tool bar strips, pane pictures) exist for 96, 144 and 192 DPI; these
// give the resource of the set a window's DPI takes (PictureSetForDpi).
#pragma once

#include <windows.h>
#include <commctrl.h>

// The true-colour tool bar strip for a DPI; its pictures are ToolImageSize(dpi) square.
UINT ToolStripBitmapId(int dpi);
// The tool pictures for a DPI as an image list of the strip's pictures (as high as the strip, its grey
// RGB(198, 199, 198) left out); the caller destroys it. Null when the strip cannot be loaded.
HIMAGELIST LoadToolImages(int dpi);
// A pane picture or mask, given by its 96-DPI resource id, in the set for a DPI.
UINT PanePictureId(UINT id96, int dpi);
