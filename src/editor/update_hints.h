// What the document tells its views through CView::OnUpdate. The views know the document; the
// document knows its views only as views: it hands them what they need with these hints.
#pragma once

class DotPlane;
class IEditHistory;

// After the first new document. Hint object: const GlyphPlanes*, what the views may borrow
// until kHintDocumentGone.
inline constexpr int kHintDocumentReady = 1;
// After a character was opened, or after an open failed and the document was cleared.
inline constexpr int kHintCharacterLoaded = 2;
// After undo or redo. Hint object: const DotPlane*, the state the history loaded, which the view
// that edits the bitmap takes over.
inline constexpr int kHintHistoryStep = 3;
// The emphasised grid periods in the settings were changed.
inline constexpr int kHintGridChanged = 4;
// The document is going: drop every borrowed pointer.
inline constexpr int kHintDocumentGone = 5;

// The document's edit bitmap and its history, lent to the view that edits them.
struct GlyphPlanes {
    DotPlane* image = nullptr;
    IEditHistory* history = nullptr;
};
