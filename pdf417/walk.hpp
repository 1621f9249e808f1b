// Walking a digital straight line: a bit cursor that follows a step table
// cyclically and stays inside the search rectangle.
#pragma once

#include "core/lines/bit_cursor.hpp"
#include "pdf417/stages.hpp"

namespace zr::pdf417 {

class TableWalker {
  public:
    TableWalker(const ZrImage &image, const StepTable &table, const Rect &area, bool barsDark)
        : cursor_(image), table_(&table), area_(area), barsDark_(barsDark) {}

    void MoveTo(PointI p) {
        cursor_.MoveTo(p);
        index_ = 0;
    }
    void Use(const StepTable &table) {
        table_ = &table;
        index_ = 0;
    }
    // One step along the table; false (and no move) when it would leave the area.
    bool Step() {
        const std::uint8_t code = (*table_)[index_];
        if (!cursor_.StepInside(code, area_)) return false;
        index_ = index_ + 1 == lines::kStepTableSize ? 0 : index_ + 1;
        return true;
    }
    // Whether the next step's pixel is inside and has the bar colour.
    bool NextIsBar() const {
        const PointI n = cursor_.At() + lines::StepVector((*table_)[index_]);
        if (!area_.Contains(n)) return false;
        lines::BitCursor probe = cursor_;
        probe.Step((*table_)[index_]);
        return probe.Dark() == barsDark_;
    }
    bool Bar() const { return cursor_.Dark() == barsDark_; }
    bool Dark() const { return cursor_.Dark(); }
    PointI At() const { return cursor_.At(); }

  private:
    lines::BitCursor cursor_;
    const StepTable *table_;
    Rect area_;
    bool barsDark_;
    int index_ = 0;
};

}  // namespace zr::pdf417
