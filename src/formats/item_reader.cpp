#include "formats/item_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>
#include <memory>
#include <utility>
#include <vector>

#include "dataset/errors.h"
#include "dataset/platform.h"

namespace marbleset {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;

// The line feeds in [first, last), found by memchr: lines of data files are long, and a count
// byte by byte would cost as much as the rest of reading them.
std::uint64_t CountLineFeeds(const char* first, const char* last) {
  std::uint64_t total = 0;
  while (first < last) {
    first =
        static_cast<const char*>(std::memchr(first, '\n', static_cast<std::size_t>(last - first)));
    if (first == nullptr) break;
    ++total;
    ++first;
  }
  return total;
}

std::string Mebibytes(std::uint64_t bytes) {
  return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB";
}

// Where bytes come from: a file descriptor or a stream. Read gives 0 only at the end.
class Source {
 public:
  virtual ~Source() = default;
  virtual std::size_t Read(char* to, std::size_t size) = 0;
};

class DescriptorSource final : public Source {
 public:
  DescriptorSource(int descriptor, bool owned, const std::string& name)
      : descriptor_(descriptor), owned_(owned), name_(name) {}
  ~DescriptorSource() override {
    if (owned_) platform::CloseFile(descriptor_);
  }
  std::size_t Read(char* to, std::size_t size) override {
    for (;;) {
      const long got = platform::ReadSome(descriptor_, to, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) {
        throw ReadFailure(ReadProblem::kUnreadable, InputPlace{name_}, SystemReason(errno));
      }
    }
  }

 private:
  int descriptor_;
  bool owned_;
  const std::string& name_;
};

class StreamSource final : public Source {
 public:
  StreamSource(std::istream& stream, const std::string& name) : stream_(stream), name_(name) {}
  std::size_t Read(char* to, std::size_t size) override {
    stream_.read(to, static_cast<std::streamsize>(size));
    if (stream_.bad()) {
      throw ReadFailure(ReadProblem::kUnreadable, InputPlace{name_},
                        "the input could not be read further.");
    }
    return static_cast<std::size_t>(stream_.gcount());
  }

 private:
  std::istream& stream_;
  const std::string& name_;
};

// The last search for one delimiter byte: where it was found, or, when not found, how far the
// buffer is known to be free of it. Each byte is searched once however long its line is.
struct Search {
  std::size_t at = 0;
  bool found = false;
};

}  // namespace

struct ItemReader::State {
  std::string name;
  ReaderLimits limits;
  std::unique_ptr<Source> source;  // null for text given in memory
  std::vector<char> buffer;        // unread bytes are buffer[pos, end)
  std::size_t pos = 0;
  std::size_t end = 0;
  bool sourceDone = false;    // nothing beyond buffer[end) is left to read
  std::uint64_t dropped = 0;  // bytes discarded from the front of the buffer so far
  std::uint64_t length = 0;
  int dataSets = 0;
  Search comma, cr, lf;
  std::string quoted;  // the text of a quoted item, which is not contiguous with its line
  std::string held;    // an item that ended the buffer, kept while the next chunk is read
  std::string_view last;
  std::string pushed;  // an item put back
  bool hasPushed = false;
  // For the place of an item: the line ends before buffer[0], where the line that holds
  // buffer[0] begins, and where the last item begins (offsets in the input).
  std::uint64_t linesDropped = 0;
  std::uint64_t lineStartDropped = 0;
  std::uint64_t lastStart = 0;

  std::uint64_t Offset(std::size_t index) const { return dropped + index; }

  [[noreturn]] void LineTooLong() const {
    throw ReadFailure(ReadProblem::kLineTooLong, InputPlace{name},
                      "the line at byte offset " + std::to_string(Offset(pos)) +
                          " is longer than " + Mebibytes(limits.longestItem) +
                          "; no data file holds such lines.");
  }

  void CheckNoNul(std::size_t from, std::size_t to) const {
    if (from >= to) return;  // an empty buffer may have no storage at all
    const void* nul = std::memchr(buffer.data() + from, '\0', to - from);
    if (nul == nullptr) return;
    const auto index = static_cast<std::size_t>(static_cast<const char*>(nul) - buffer.data());
    throw ReadFailure(ReadProblem::kNulByte, InputPlace{name},
                      "a NUL byte at byte offset " + std::to_string(Offset(index)) +
                          "; a data file is text and never holds one.");
  }

  // Reads more of the input behind the unread bytes, first moving them to the front (or
  // growing the buffer when they fill it). Returns false when the input has nothing more.
  bool Refill() {
    if (sourceDone) return false;
    if (pos > 0) {
      std::memmove(buffer.data(), buffer.data() + pos, end - pos);
      for (Search* search : {&comma, &cr, &lf}) {
        if (search->at >= pos) {
          search->at -= pos;
        } else {
          *search = Search{};
        }
      }
      CountDroppedLines();
      dropped += pos;
      end -= pos;
      pos = 0;
    }
    if (end == buffer.size()) {
      if (end >= limits.longestItem) LineTooLong();
      // Doubling keeps the copying of a long line linear in its length.
      buffer.resize(std::min(std::max(buffer.size() * 2, kChunk), limits.longestItem + 1));
    }
    const std::size_t got = source->Read(buffer.data() + end, buffer.size() - end);
    if (got == 0) {
      sourceDone = true;
      return false;
    }
    CheckNoNul(end, end + got);
    end += got;
    return true;
  }

  // Counts the line ends of the bytes about to be dropped, buffer[0, pos), so that a place can
  // still be told after they are gone. A vectorized count costs little beside the reading.
  void CountDroppedLines() {
    const std::uint64_t ends = CountLineFeeds(buffer.data(), buffer.data() + pos);
    if (ends == 0) return;
    linesDropped += ends;
    std::size_t k = pos;
    while (buffer[k - 1] != '\n') --k;
    lineStartDropped = Offset(k);
  }

  InputPlace PlaceOfLast() const {
    std::uint64_t lines = linesDropped;
    std::uint64_t lineStart = lineStartDropped;
    if (lastStart > dropped) {
      const auto upto = static_cast<std::size_t>(lastStart - dropped);
      lines += CountLineFeeds(buffer.data(), buffer.data() + upto);
      for (std::size_t k = upto; k > 0; --k) {
        if (buffer[k - 1] == '\n') {
          lineStart = Offset(k);
          break;
        }
      }
    }
    InputPlace place{name, static_cast<std::size_t>(dataSets)};
    place.line = static_cast<std::size_t>(lines + 1);
    place.column = static_cast<std::size_t>(lastStart - lineStart + 1);
    place.item.assign(last);
    return place;
  }

  std::size_t Find(char c, Search& search) {
    if (search.found && search.at >= pos) return search.at;
    const std::size_t from = search.found ? pos : std::max(pos, search.at);
    const void* hit = from < end ? std::memchr(buffer.data() + from, c, end - from) : nullptr;
    search.found = hit != nullptr;
    search.at = hit != nullptr
                    ? static_cast<std::size_t>(static_cast<const char*>(hit) - buffer.data())
                    : end;
    return search.at;
  }

  // Keeps at least one unread byte in the buffer unless the input is exhausted.
  bool HaveByte() {
    while (pos >= end) {
      if (!Refill()) return false;
    }
    return true;
  }

  void SkipSpaces() {
    const std::uint64_t start = Offset(pos);
    while (HaveByte() && buffer[pos] == ' ') {
      ++pos;
      if (Offset(pos) - start > limits.longestItem) LineTooLong();
    }
  }

  std::size_t FirstDelimiter() {
    return std::min({Find(',', comma), Find('\r', cr), Find('\n', lf)});
  }

  // The first comma or line end at or after pos, with the line end's first character fully in
  // the buffer (and the byte after a CR, to see whether an LF follows).
  std::size_t FindDelimiter() {
    for (;;) {
      const std::size_t first = FirstDelimiter();
      if (first - pos > limits.longestItem) LineTooLong();
      const bool crNeedsNext = first < end && buffer[first] == '\r' && first + 1 == end;
      if ((first < end && !crNeedsNext) || sourceDone) return first;
      if (!Refill()) return FirstDelimiter();
    }
  }

  // Steps over the delimiter at where (a comma, a line end, or the end of the input).
  void Consume(std::size_t where) {
    pos = where;
    if (pos >= end) return;
    const char c = buffer[pos++];
    if (c == '\r' && HaveByte() && buffer[pos] == '\n') ++pos;
  }

  std::string_view NextItem() {
    SkipSpaces();
    lastStart = Offset(pos);
    if (pos < end && buffer[pos] == '"') return NextQuotedItem();
    const std::size_t delimiter = FindDelimiter();
    const std::size_t start = pos;
    const std::size_t length = delimiter - start;
    // FindDelimiter already holds the byte after a CR, so stepping over the line end reads
    // nothing and the item stays where it is.
    Consume(delimiter);
    if (pos < end || sourceDone) return std::string_view(buffer.data() + start, length);
    // The item ends the buffer: keep a copy of it, then look ahead so that AtEnd() is exact.
    held.assign(buffer.data() + start, length);
    HaveByte();
    return held;
  }

  std::string_view NextQuotedItem() {
    ++pos;  // the opening quote
    quoted.clear();
    while (HaveByte()) {
      const char c = buffer[pos];
      if (c == '"' || c == '\r' || c == '\n') break;
      // Copy up to the next interesting byte in one go.
      std::size_t stop = pos;
      while (stop < end && buffer[stop] != '"' && buffer[stop] != '\r' && buffer[stop] != '\n') {
        ++stop;
      }
      quoted.append(buffer.data() + pos, stop - pos);
      pos = stop;
      if (quoted.size() > limits.longestItem) LineTooLong();
    }
    if (HaveByte() && buffer[pos] == '"') ++pos;  // the closing quote
    // Whatever follows the closing quote up to the next comma or line end is not part of it.
    Consume(FindDelimiter());
    if (pos == end) HaveByte();
    return quoted;
  }
};

ItemReader::ItemReader(State* state) : state_(state) {}

ItemReader::ItemReader(ItemReader&& other) noexcept
    : state_(std::exchange(other.state_, nullptr)) {}

ItemReader& ItemReader::operator=(ItemReader&& other) noexcept {
  if (this != &other) {
    delete state_;
    state_ = std::exchange(other.state_, nullptr);
  }
  return *this;
}

ItemReader::~ItemReader() {
  delete state_;
}

ItemReader ItemReader::OpenFile(const std::string& path, ReaderLimits limits) {
  auto* state = new State;
  ItemReader reader(state);  // owns state from here on, also when a failure follows
  state->limits = limits;
  int descriptor = 0;  // standard input
  if (path == "-") {
    state->name = "standard input";
  } else {
    state->name = path;
    descriptor = platform::OpenToRead(path);
    if (descriptor < 0)
      throw ReadFailure(ReadProblem::kUnreadable, InputPlace{path}, SystemReason(errno));
  }
  state->source = std::make_unique<DescriptorSource>(descriptor, path != "-", state->name);
  if (const platform::FileFacts facts = platform::InspectOpen(descriptor); facts.regular) {
    state->length = facts.size;
  }
  state->buffer.resize(kChunk);
  state->Refill();  // a folder or unreadable file fails here, at the open
  return reader;
}

ItemReader ItemReader::FromStream(std::istream& stream, std::string name, ReaderLimits limits) {
  auto* state = new State;
  ItemReader reader(state);
  state->name = std::move(name);
  state->limits = limits;
  state->source = std::make_unique<StreamSource>(stream, state->name);
  state->buffer.resize(kChunk);
  state->Refill();
  return reader;
}

ItemReader ItemReader::FromText(std::string text, std::string name, ReaderLimits limits) {
  auto* state = new State;
  ItemReader reader(state);
  state->name = std::move(name);
  state->limits = limits;
  state->length = text.size();
  state->buffer.assign(text.begin(), text.end());
  state->end = state->buffer.size();
  state->sourceDone = true;
  state->CheckNoNul(0, state->end);
  return reader;
}

std::string_view ItemReader::NextItem() {
  if (state_->hasPushed) {
    state_->hasPushed = false;
    state_->last = state_->pushed;
    return state_->last;
  }
  if (AtEnd()) {
    throw ReadFailure(ReadProblem::kCutShort, InputPlace{state_->name},
                      "the file ended where more data was expected.");
  }
  state_->last = state_->NextItem();
  return state_->last;
}

std::string ItemReader::RemainingText() {
  State& s = *state_;
  std::string text;
  if (s.hasPushed) text = s.pushed;
  s.hasPushed = false;
  text.append(s.buffer.data() + s.pos, s.end - s.pos);
  s.pos = s.end;
  std::vector<char> chunk(s.source && !s.sourceDone ? kChunk : 0);
  while (s.source && !s.sourceDone) {
    const std::size_t got = s.source->Read(chunk.data(), chunk.size());
    s.sourceDone = got == 0;
    text.append(chunk.data(), got);
  }
  return text;
}

void ItemReader::PutBack() {
  if (state_->last.data() != state_->pushed.data()) state_->pushed.assign(state_->last);
  state_->hasPushed = true;
}

bool ItemReader::AtEnd() const {
  return !state_->hasPushed && state_->pos >= state_->end && state_->sourceDone;
}

std::uint64_t ItemReader::Position() const {
  return state_->Offset(state_->pos);
}

std::uint64_t ItemReader::Length() const {
  return state_->length;
}

const std::string& ItemReader::name() const {
  return state_->name;
}

const ReaderLimits& ItemReader::Limits() const {
  return state_->limits;
}

void ItemReader::SearchFailed(const std::string& what) const {
  throw ReadFailure(ReadProblem::kSearchTooLong, InputPlace{state_->name},
                    what + " within " + Mebibytes(state_->limits.longestSearch) +
                        " of input (up to byte offset " + std::to_string(Position()) + ").");
}

InputPlace ItemReader::Place() const {
  return state_->PlaceOfLast();
}

void ItemReader::Fail(ReadProblem kind, const std::string& reason) const {
  throw ReadFailure(kind, Place(), reason);
}

void ItemReader::BeginDataSet() {
  ++state_->dataSets;
}

int ItemReader::DataSetNumber() const {
  return state_->dataSets;
}

}  // namespace marbleset
