#include "resampling/run_frame.h"

namespace marbleset {

void RunOutput::KeepWritten(OutputFile& file) noexcept {
  try {
    file.KeepWritten();
  } catch (const Failure&) {
    // KeepWritten has left the target as it was; the run's failure is reported instead.
  }
}

}  // namespace marbleset
