// A rectangle of whole units (screen pixels or dots), right and bottom exclusive, like a Windows RECT, for
// the platform-free code that lays out windows and edits dots.
#pragma once

struct IntRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Intersects(const IntRect& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    bool operator==(const IntRect&) const = default;
};
