#include "resampling/run_frame.h"

namespace marbleset {

TextSink& RunOutput::Open() {
  if (sink_ != nullptr) return *sink_;
  file_.emplace(path_);
  return file_->sink();
}

void RunOutput::Finish() {
  if (file_) {
    file_->Close();
  } else if (sink_ != nullptr) {
    sink_->Flush();
  }
}

}  // namespace marbleset
