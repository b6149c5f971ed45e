// Turns a sample layer's template character into dots: the font's text drawn on a one-bit
// picture of the glyph's size, then moved by the layer's offsets.
#pragma once

#include "editor/dot_plane.h"
#include "editor/sample_layer.h"

// Black where the template character has ink: `strChar` in `strFace` with a character height of
// N + `nSizeAdjust` pixels, centred horizontally in the N by N cell and starting at its top, moved
// by the offsets. An empty character, or a picture GDI cannot make, gives an all-white plane.
DotPlane RenderSampleLayerPlane(const SampleLayer& layer, int glyphSize);
