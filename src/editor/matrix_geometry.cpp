#include "editor/matrix_geometry.h"

#include <algorithm>

#include "base/profile_store.h"

static bool InGlyph(int x, int y, int size) { return x >= 0 && y >= 0 && x < size && y < size; }

CellRect MatrixGeometry::DotToCellRect(int x, int y) const {
    if (!InGlyph(x, y, glyphSize)) return {-1, -1, -1, -1};
    const int left = kMatrixMargin + 1 + x * Pitch();
    const int top = kMatrixMargin + 1 + y * Pitch();
    return {left, top, left + pixelSize, top + pixelSize};
}

PixelPoint MatrixGeometry::DotToCellCenter(int x, int y) const {
    if (!InGlyph(x, y, glyphSize)) return {-1, -1};
    return {kMatrixMargin + x * Pitch() + Pitch() / 2, kMatrixMargin + y * Pitch() + Pitch() / 2};
}

DotPoint MatrixGeometry::ClientToDot(int px, int py, bool unclamped) const {
    auto map = [&](int pixel) {
        const int dot = (pixel - kMatrixMargin) / Pitch();  // C++ division truncates toward zero
        if (unclamped) return dot;
        return (pixel < kMatrixMargin || dot > glyphSize - 1) ? -1 : dot;
    };
    return {map(px), map(py)};
}

static bool IsEmphasised(int k, int period, int size) {
    return period != 0 && k > 0 && k < size && k % period == 0;
}

std::vector<GridLine> MatrixGeometry::GridLines(int gridX, int gridY) const {
    std::vector<GridLine> lines;
    lines.reserve(2 * (static_cast<std::size_t>(std::max(glyphSize, 0)) + 1));
    const int end = kMatrixMargin + glyphSize * Pitch() + 1;
    for (int k = 0; k <= glyphSize; ++k) {
        const int x = kMatrixMargin + k * Pitch();
        lines.push_back({{x, kMatrixMargin}, {x, end}, IsEmphasised(k, gridX, glyphSize)});
    }
    for (int k = 0; k <= glyphSize; ++k) {
        const int y = kMatrixMargin + k * Pitch();
        lines.push_back({{kMatrixMargin, y}, {end, y}, IsEmphasised(k, gridY, glyphSize)});
    }
    return lines;
}

ColorRef DarkerBy(ColorRef color, unsigned amount) {
    auto lower = [amount](unsigned channel) { return channel < amount ? 0u : channel - amount; };
    return MakeColorRef(lower(ColorRed(color)), lower(ColorGreen(color)), lower(ColorBlue(color)));
}

CellFlags CellFlagsAt(const MatrixPlanes& planes, int x, int y) {
    CellFlags cell;
    cell.black = IsBlackDot(planes.editBitmap, x, y);
    cell.selectionBorder = !planes.moving && IsBlackDot(planes.selectionOutline, x, y);
    cell.layerInk = IsBlackDot(planes.layer, x, y);
    cell.moveOrigin = planes.moving && IsBlackDot(planes.staging, x, y);
    return cell;
}

CellFills CellFillColors(const CellFlags& cell, const MatrixColors& colors) {
    CellFills fills;
    auto add = [&fills](ColorRef color) { fills.colors[static_cast<std::size_t>(fills.count++)] = color; };
    // A black dot on the selection border must still read as selected, so it takes a dark selection
    // shade instead of the dot colour.
    if (cell.black) {
        add(cell.selectionBorder ? DarkerBy(colors.crSelect, 64) : colors.crDot);
    } else if (cell.selectionBorder) {
        add(colors.crSelect);
    }
    if (cell.layerInk) {
        if (cell.black) {
            add(DarkerBy(cell.selectionBorder ? colors.crSelect : colors.crLayer, 64));
        } else {
            add(cell.selectionBorder ? DarkerBy(colors.crSelect, 32) : colors.crLayer);
        }
    }
    if (cell.moveOrigin) add(colors.crMoveOrigin);
    return fills;
}

std::vector<DotPoint> DifferingDots(const DotPlane& a, const DotPlane& b) {
    std::vector<DotPoint> dots;
    const int size = a.Size();
    const int rowBytes = size / 8;
    if (size != b.Size() || rowBytes == 0) return dots;
    auto bytesA = a.Bytes();
    auto bytesB = b.Bytes();
    const std::size_t count = std::min(bytesA.size(), bytesB.size());
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned diff = static_cast<unsigned>(bytesA[i] ^ bytesB[i]);
        if (diff == 0) continue;
        const int y = static_cast<int>(i / static_cast<std::size_t>(rowBytes));
        const int x0 = static_cast<int>(i % static_cast<std::size_t>(rowBytes)) * 8;
        for (int bit = 0; bit < 8; ++bit) {
            // A size that is not a multiple of 8 leaves bytes past the last dot; they name no dot.
            if ((diff & DotBitMask(bit)) && x0 + bit < size && y < size) dots.push_back({x0 + bit, y});
        }
    }
    return dots;
}

static constexpr wchar_t kGridXKey[] = L"Grid_X";
static constexpr wchar_t kGridYKey[] = L"Grid_Y";
static constexpr int kAbsentGrid = 255;

GridPeriods InitGridPeriods(IProfileStore& store, int glyphSize) {
    for (const wchar_t* key : {kGridXKey, kGridYKey}) {
        if (store.GetProfileInt(kEditorSection, key, kAbsentGrid) == kAbsentGrid) {
            store.WriteProfileInt(kEditorSection, key, glyphSize / 2);
        }
    }
    return ReadGridPeriods(store);
}

GridPeriods ReadGridPeriods(IProfileStore& store) {
    return {store.GetProfileInt(kEditorSection, kGridXKey, 0),
            store.GetProfileInt(kEditorSection, kGridYKey, 0)};
}
