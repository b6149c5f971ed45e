// What the matrix view does to the selected dots as a whole -- white/black inversion, flips, quarter turns,
// the move, cut and copy, and placing a pasted picture -- worked out on plain dot planes, so that the
// Win32 side only reads the mouse and keys, asks its questions, talks to the clipboard and repaints the
// cells these functions report. Every function that changes the glyph reports the dots whose value
// changed in `changed` (cleared first), one span per row, which the view turns into one region to repaint;
// the view records one undo step when it says the glyph was changed. They work on whole 64-bit words
// (mirrors and shifts of rows, a 64 by 64 transposition for the quarter turns), never dot by dot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "editor/dot_plane.h"
#include "editor/matrix_geometry.h"
#include "editor/selection.h"

// A one-bit picture of any size in the bit layout of a monochrome GDI bitmap (CreateBitmap(w, h, 1, 1,
// bits)): rows top to bottom, each padded to a whole 16-bit word, leftmost dot in the most significant
// bit, 0 = black, 1 = white.
struct OneBitImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;

    OneBitImage() = default;
    OneBitImage(int w, int h);  // all white; negative sizes give an empty picture

    static std::size_t RowBytesFor(int width) {
        return width > 0 ? static_cast<std::size_t>(width + 15) / 16 * 2 : 0;
    }
    std::size_t RowBytes() const { return RowBytesFor(width); }
    // Dots outside the picture read as white and are never written.
    bool IsBlack(int x, int y) const;
    void SetDot(int x, int y, bool black);
};

// A borrowed one-bit picture with rows of `rowBytes` bytes, same bit order (a OneBitImage, a converted
// paste, a GDI bitmap's bits). Dots outside it, or past the bytes it holds, read as white.
struct OneBitImageView {
    int width = 0;
    int height = 0;
    std::span<const std::uint8_t> bytes;
    std::size_t rowBytes = 0;

    static OneBitImageView Of(const OneBitImage& image) {
        return {image.width, image.height, image.bytes, image.RowBytes()};
    }
    bool IsBlack(int x, int y) const;
};

// The overlay modes of a move or a paste.
inline constexpr int kOverlayTransparent =
    0;                                    // only the black dots of the moved or pasted picture are written
inline constexpr int kOverlayOpaque = 1;  // the picture replaces what was under it, white dots included

// The selected dots as a picture: every glyph dot inside the region that is black in the edit bitmap
// (and, when blackOnly is false, also every dot of the selection's border) is set black at (x + dx,
// y + dy). `anyQualified` tells whether at least one dot qualified, even if its shifted place fell
// outside the picture; without a selection nothing qualifies.
struct RenderedPlane {
    DotPlane plane;  // N by N
    bool anyQualified = false;
};
RenderedPlane RenderSelection(const DotPlane& edit, const MatrixSelection& selection, int dx, int dy,
                              bool blackOnly);
struct RenderedImage {
    OneBitImage image;  // width by height
    bool anyQualified = false;
};
// The same into a picture of the given size (sizes are taken within 0..kMaxRenderedSide).
inline constexpr int kMaxRenderedSide = 4096;
RenderedImage RenderSelection(const DotPlane& edit, const MatrixSelection& selection, int dx, int dy,
                              bool blackOnly, int width, int height);

// Every glyph dot inside the region becomes the plane's dot (or its opposite with `invert`). False, with
// nothing changed, for planes of different sizes or a region that holds no glyph dot.
bool CopyPlaneInRegion(DotPlane& edit, const DotPlane& plane, const DotRegion& region, bool invert,
                       DotChanges& changed);

// How an image command ended.
enum class SelectionOpResult {
    kDone,                // the glyph was changed: record one undo step
    kNoSelection,         // nothing happens without a selection
    kNeedsRectSelection,  // the selection is not a rectangle: ask message 5003, and on Yes call
                          // MatrixSelection::ExpandToBox and the command again
    kNoBlackDot,          // no black dot is selected: nothing changes and no undo step is recorded
};

// White/black inversion of every selected dot (any shape).
SelectionOpResult InvertSelectedImage(DotPlane& edit, const MatrixSelection& selection, DotChanges& changed);

// Flip kinds, as the commands number them.
enum FlipKind : int {
    kFlipVertical = 0,
    kFlipHorizontal = 1,
    kFlipHalfTurn = 2,
};
// Mirrors the rectangular selection within its box: vertical maps (x, y) to (x, T + B - 1 - y),
// horizontal (x, y) to (L + R - 1 - x, y), the half turn does both; every selected dot is written, white
// ones included. Dots mirrored outside the glyph are lost.
SelectionOpResult FlipSelection(DotPlane& edit, const MatrixSelection& selection, FlipKind kind,
                                DotChanges& changed);

// The box of a quarter turn: turned about the old box's centre with halves truncated,
// L' = L + w/2 - h/2, T' = T + h/2 - w/2, R' = L' + h, B' = T' + w.
DotRect QuarterTurnBox(const DotRect& box);
// Turns the rectangular selection a quarter clockwise ((L + x, T + y) goes to (L' + h - 1 - y, T' + x))
// or anticlockwise (to (L' + y, T' + w - 1 - x)). Unless the old box is the whole glyph the old selected
// dots turn white; the selection becomes the new box, and every glyph dot of it is written. Parts of the
// new box outside the glyph are lost; the selection keeps the whole box. On kDone the selection changed:
// the view repaints the old and the new border.
SelectionOpResult RotateSelection(DotPlane& edit, MatrixSelection& selection, bool anticlockwise,
                                  DotChanges& changed);

// Moves the selected black dots by (dx, dy). `originMask` is the original-position picture the move
// started with (RenderSelection(0, 0, blackOnly) at the press): its dots turn white, the selection is
// offset, and the shifted dots are written -- opaque: the moved selection's dots first turn white, so the
// destination shows exactly the moved picture; transparent: black dots already there stay. Dots moved
// outside the glyph are lost. False, with nothing changed (not even the selection), when no black dot is
// selected or the offset would carry the selection past the coordinate limit. On true the selection moved.
bool MoveSelection(DotPlane& edit, MatrixSelection& selection, const DotPlane& originMask, int dx, int dy,
                   int overlayMode, DotChanges& changed);

// What copy and cut put on the clipboard: the selected black dots in a picture the size of the
// selection's bounding box, the box's top-left at (0, 0). A box wider or higher than kMaxRenderedSide
// (possible only after moving the selection far off the glyph) is first cut down to the glyph's
// rectangle, which still holds every dot that can be selected. `anyQualified` false: the clipboard is
// left as it was.
RenderedImage RenderSelectionForClipboard(const DotPlane& edit, const MatrixSelection& selection);
// Cut's second half: every glyph dot inside the selection turns white. False without a selection.
bool ClearSelectedDots(DotPlane& edit, const MatrixSelection& selection, DotChanges& changed);

// A pending paste follows the mouse with its top-left at the current dot, clamped to 0..N on each axis
// (N itself allowed, as for the rectangle selection's corners).
DotPoint ClampToGlyphEdge(DotPoint dot, int glyphSize);
// The glyph's dots where a picture's black dots land with its top-left at (x, y): the mask a pending
// paste shows and places.
DotPlane PastedDots(const OneBitImageView& picture, int x, int y, int glyphSize);
// Places a picture with its top-left at (x, y): inside the picture's rectangle every black dot of it
// turns the glyph dot black, and every white one turns it white in opaque mode and leaves it in
// transparent mode; the parts outside the glyph are dropped. Returns whether any glyph dot lay inside the
// rectangle (the placement is then one step, even when no dot changed).
bool PlacePaste(DotPlane& edit, const OneBitImageView& picture, int x, int y, int overlayMode,
                DotChanges& changed);
