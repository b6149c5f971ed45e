#include "win32/platform/picture_sets.h"

#include <iterator>

#include "base/dpi_scale.h"
#include "win32/platform/handles.h"
#include "resource.h"

namespace {
// Each picture's resources, one per set.
constexpr UINT kPictureSets[][3] = {
    {IDB_TOOLBAR_HICOLOR, IDB_TOOLBAR_HICOLOR_150, IDB_TOOLBAR_HICOLOR_200},
    {IDB_MODE_TRANSPARENT, IDB_MODE_TRANSPARENT_150, IDB_MODE_TRANSPARENT_200},
    {IDB_MODE_OPAQUE, IDB_MODE_OPAQUE_150, IDB_MODE_OPAQUE_200},
    {IDB_MODE_MASK, IDB_MODE_MASK_150, IDB_MODE_MASK_200},
    {IDB_ARROW, IDB_ARROW_150, IDB_ARROW_200},
    {IDB_ARROW_MASK, IDB_ARROW_MASK_150, IDB_ARROW_MASK_200},
};
}  // namespace

UINT PanePictureId(UINT id96, int dpi) {
    for (const auto& set : kPictureSets) {
        if (set[0] == id96) return set[PictureSetForDpi(dpi)];
    }
    return id96;
}

UINT ToolStripBitmapId(int dpi) { return PanePictureId(IDB_TOOLBAR_HICOLOR, dpi); }

HIMAGELIST LoadToolImages(int dpi) {
    const UniqueBitmap strip(
        static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ToolStripBitmapId(dpi)),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info = {};
    if (!strip || !GetObjectW(strip.Get(), sizeof info, &info) || info.bmHeight <= 0) return nullptr;
    // The strip is one row of square pictures.
    const int size = info.bmHeight;
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR16 | ILC_MASK, info.bmWidth / size, 4);
    if (list && ImageList_AddMasked(list, strip.Get(), RGB(198, 199, 198)) == -1) {
        ImageList_Destroy(list);
        list = nullptr;
    }
    return list;
}
