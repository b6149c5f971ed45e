// Where the editing view records each finished edit. The document's drawing history implements it;
// the view knows no more of the history than this.
#pragma once

#include <cstdint>
#include <span>

class IEditHistory {
  public:
    virtual ~IEditHistory() = default;
    // Records the edit bitmap as it is after one finished edit (a modification).
    virtual void RecordEdit(std::span<const std::uint8_t> image) = 0;
};
