#include "distances/distance_run.h"

#include "distances/fast_matrix_pass.h"
#include "formats/phylip_reader.h"
#include "formats/read_status.h"

namespace marbleset {

namespace {

std::string WrittenText(int written, bool averaging) {
  const char* one = averaging ? " mean" : " matrix";
  const char* many = averaging ? " means" : " matrices";
  if (written == 0) return averaging ? "no mean" : "no matrix";
  return std::to_string(written) + (written == 1 ? one : many);
}

std::string IncompleteText(const std::string& input, int dataSet, const std::string& reason,
                           int written, bool averaging) {
  std::string text =
      "Data set " + std::to_string(dataSet) + " of " + input + " could not be read: " + reason;
  if (!text.empty() && text.back() != '.') text += '.';
  text += " The distance file holds " + WrittenText(written, averaging);
  if (written > 0)
    text +=
        written == 1 ? ", that of the data set before it" : ", those of the data sets before it";
  return text + ".";
}

// Passes the user's request to stop on, but keeps the bar for the share of the file read.
class CancelOnly final : public Progress {
 public:
  explicit CancelOnly(const Progress& run) : run_(run) {}
  void Start(std::string_view) override {}
  void Advance(double) override {}
  bool CancelRequested() const override { return run_.CancelRequested(); }
  void ReadingDataSet(int) override {}

 private:
  const Progress& run_;
};

// Runs body; on a failure the run reports, what was written so far goes into place.
template <typename Body>
void WriteRun(const std::string& outputPath, ExistingTarget existing, Body body) {
  OutputFile file(outputPath, existing);
  try {
    body(file.sink());
  } catch (const RunCancelled&) {
    throw;  // the temporary is discarded, the target keeps its old bytes
  } catch (const Failure&) {
    // What was written before the failure stays in the file; a run that failed before writing
    // anything (a first data set of one OTU under averaging) leaves the old target as it was.
    // The run's own failure is what the user needs to hear, so a second one while moving the
    // file into place is not reported over it.
    if (file.sink().BytesWritten() > 0) {
      try {
        file.KeepWritten();
      } catch (const Failure&) {
      }
    }
    throw;
  }
  file.Close();
}

// The pass holds the upper triangle of the matrix in memory: a data set of many OTUs and few
// characters is small, but its triangle is not, so it is measured against the data set's
// memory limit before it is reserved.
void CheckTriangleFits(const DataSet& data, int dataSetNumber, MatrixRows rows = {}) {
  const long double n = static_cast<long double>(data.OtuCount());
  // A piece holds the cells of its rows only (see Triangle).
  const long double first = static_cast<long double>(std::min(rows.first, data.OtuCount()));
  const long double last = std::min(static_cast<long double>(rows.last), n);
  const long double band = std::max(0.0L, last - first);
  // The marker statistics take some 32 bytes a character, whatever the number of OTUs.
  const long double bytes =
      (first * band + band * (n - 1) - band * (first + last - 1) / 2) * sizeof(double) +
      32.0L * static_cast<long double>(data.CharCount());
  const std::uint64_t limit = data.MemoryLimit() != 0 ? data.MemoryLimit() : AvailableMemory();
  if (bytes <= static_cast<long double>(limit)) return;
  const std::string which =
      dataSetNumber > 0 ? "data set " + std::to_string(dataSetNumber) : std::string("the data set");
  const std::string matrix = "The matrix of " + which + " (" + std::to_string(data.OtuCount()) +
                             " OTUs by " + std::to_string(data.CharCount()) + " characters) needs ";
  if (bytes >= 1e19L) throw MemoryFailure(matrix + "more memory than any machine has.");
  throw MemoryFailure(matrix + ByteSize(static_cast<std::uint64_t>(bytes)) + " of memory; " +
                      ByteSize(limit) + " are available.");
}

// The memory one data set of a run may take: the system's figure is read once for the run, as
// reading it costs as much as a small data set's matrix.
std::uint64_t RunMemoryLimit(const DataSet& loaded) {
  return loaded.MemoryLimit() != 0 ? loaded.MemoryLimit() : AvailableMemory();
}

}  // namespace

IncompleteRunFailure::IncompleteRunFailure(const std::string& input, int dataSet,
                                           const std::string& cause, int written, bool averaging)
    : RunFailure(RunProblem::kInputUnreadable, "",
                 IncompleteText(input, dataSet, cause, written, averaging),
                 static_cast<std::size_t>(written)),
      dataSet_(dataSet),
      cause_(cause) {}

void DistanceMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out,
                        Progress& progress, int dataSetNumber, MatrixRows rows) {
  CheckTriangleFits(data, dataSetNumber, rows);
  FastMatrixPass(data, settings, out, progress, dataSetNumber, kernels::BestKernels(), 0, rows);
}

void DistanceMatrixPass(const DataSet& data, const DistanceSettings& settings, TextSink& out) {
  NoProgress progress;
  DistanceMatrixPass(data, settings, out, progress);
}

void DistanceRunSingle(const DataSet& data, const DistanceSettings& settings,
                       const std::string& outputPath, Progress& progress, ExistingTarget existing) {
  DistanceSettings single = settings;
  single.averaging = false;  // averaging is offered for files of several data sets only
  CheckDistanceSettings(single, data.Kind());
  progress.Start("Calculating distances");
  progress.Advance(0);
  OutputFile file(outputPath, existing);
  DistanceMatrixPass(data, single, file.sink(), progress);
  file.Close();
}

void DistanceRunMulti(const DataSet& loaded, const DistanceSettings& settings, ItemReader& in,
                      TextSink& out, Progress& progress, MatrixRows dataSets) {
  CheckDistanceSettings(settings, loaded.Kind());
  DataSet data;
  data.SetMemoryLimit(RunMemoryLimit(loaded));
  CancelOnly rows(progress);  // the bar follows the file, not the rows of each matrix
  int written = 0;
  for (;;) {
    ThrowIfCancelled(progress);
    const double length = static_cast<double>(in.Length());
    if (length > 0) progress.Advance(static_cast<double>(in.Position()) / length * 100);
    const int number = in.DataSetNumber() + 1;
    if (static_cast<std::size_t>(number) > dataSets.last) break;
    ReadStatus status;
    try {
      status = loaded.IsBinary() ? ReadPhylipBinary(in, data) : ReadPhylipQuant(in, data);
    } catch (const RunCancelled&) {
      throw;
    } catch (const Failure& e) {
      out.Flush();
      throw IncompleteRunFailure(in.name(), number, e.what(), written, settings.averaging);
    }
    // Nothing but blanks (or zeros) after the last data set is where a file ends.
    if (status == ReadStatus::kNoDeclarations && (written > 0 || number > 1)) break;
    if (status != ReadStatus::kOk) {
      out.Flush();
      throw IncompleteRunFailure(in.name(), number, std::string(FindingText(ProblemOf(status))),
                                 written, settings.averaging);
    }
    if (static_cast<std::size_t>(number) <= dataSets.first) {
      if (in.AtEnd()) break;
      continue;  // a data set of an earlier piece
    }
    // Named once it has been read, so the blank end of a file is never shown as a data set.
    progress.ReadingDataSet(number);
    CheckTriangleFits(data, number);
    FastMatrixPass(data, settings, out, rows, number, kernels::BestKernels());
    ++written;
    if (in.AtEnd()) break;
  }
  out.Flush();
}

std::size_t CountDataSets(const DataSet& loaded, ItemReader& in) {
  DataSet data;
  data.SetMemoryLimit(RunMemoryLimit(loaded));
  std::size_t count = 0;
  while (!in.AtEnd()) {
    const bool first = in.DataSetNumber() == 0;
    ReadStatus status;
    try {
      status = loaded.IsBinary() ? ReadPhylipBinary(in, data) : ReadPhylipQuant(in, data);
    } catch (const RunCancelled&) {
      throw;
    } catch (const Failure&) {
      return count + 1;
    }
    if (status == ReadStatus::kNoDeclarations && !first) break;
    ++count;
    if (status != ReadStatus::kOk) break;
  }
  return count;
}

void DistanceRunMulti(const DataSet& loaded, const DistanceSettings& settings, ItemReader& in,
                      const std::string& outputPath, Progress& progress, ExistingTarget existing) {
  progress.Start("Calculating distances");
  progress.Advance(0);
  WriteRun(outputPath, existing,
           [&](TextSink& out) { DistanceRunMulti(loaded, settings, in, out, progress); });
}

}  // namespace marbleset
