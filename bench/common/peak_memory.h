// Peak memory of one stretch of work, as the kernel counts it: the resident
// set's high-water mark is reset, the work runs, and the mark is read again.
// What the program held before the stretch is not counted, so the figure is
// what the work itself needed at its worst moment.
#pragma once

namespace velar_bench {

class PeakMemory {
 public:
  // Returns freed heap to the system (so that the work cannot hide in pages
  // the program already holds), resets the high-water mark and notes the
  // resident set it starts from.
  PeakMemory();
  // KiB the resident set rose above its starting size at its highest.
  long GrowthKiB() const;

 private:
  long start_kib_ = 0;
};

}  // namespace velar_bench
