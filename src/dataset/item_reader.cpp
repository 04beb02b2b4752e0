#include "dataset/item_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "dataset/errors.h"

namespace marbleset {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;
constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);

}  // namespace

struct ItemReader::State {
  std::string name;
  std::FILE* file = nullptr;  // null for text given in memory
  std::vector<char> buffer;   // unread bytes are buffer[pos, end)
  std::size_t pos = 0;
  std::size_t end = 0;
  bool source_done = false;   // nothing beyond buffer[end) is left to read
  std::uint64_t dropped = 0;  // bytes discarded from the front of the buffer so far
  std::uint64_t length = 0;
  int data_sets = 0;
  // Where the next comma, CR and LF at or after pos lie: scanning a mebibyte for a comma that
  // is not there once per line would cost far more than the reading itself, so each search is
  // remembered until pos passes the place found. end means "none up to end".
  std::size_t next_comma = kUnknown;
  std::size_t next_cr = kUnknown;
  std::size_t next_lf = kUnknown;
  std::string quoted;  // the text of a quoted item, which is not contiguous with its line
  std::string held;    // an item that ended the buffer, kept while the next chunk is read

  ~State() {
    if (file != nullptr) std::fclose(file);
  }

  // Reads more of the file behind the unread bytes, first moving them to the front (or growing
  // the buffer when they fill it). Returns false when the file has nothing more.
  bool Refill() {
    if (source_done) return false;
    if (pos > 0) {
      std::memmove(buffer.data(), buffer.data() + pos, end - pos);
      dropped += pos;
      end -= pos;
      pos = 0;
    }
    if (end == buffer.size()) buffer.resize(buffer.size() + kChunk);
    next_comma = next_cr = next_lf = kUnknown;
    const std::size_t got = std::fread(buffer.data() + end, 1, buffer.size() - end, file);
    if (got == 0) {
      if (std::ferror(file)) {
        const int error = errno;
        throw ReadFailure(FileProblem(name, error != 0 ? error : EIO));
      }
      source_done = true;
      return false;
    }
    end += got;
    return true;
  }

  std::size_t Find(char c, std::size_t& cached) {
    if (cached == kUnknown || cached < pos) {
      const void* hit = std::memchr(buffer.data() + pos, c, end - pos);
      cached = hit == nullptr ? end : static_cast<const char*>(hit) - buffer.data();
    }
    return cached;
  }

  // Keeps at least one unread byte in the buffer unless the file is exhausted.
  bool HaveByte() {
    while (pos >= end) {
      if (!Refill()) return false;
    }
    return true;
  }

  void SkipSpaces() {
    while (HaveByte() && buffer[pos] == ' ') ++pos;
  }

  // The first comma or line end at or after pos, with the line end's first character fully in
  // the buffer (and the byte after a CR, to see whether an LF follows).
  std::size_t FindDelimiter() {
    for (;;) {
      const std::size_t comma = Find(',', next_comma);
      const std::size_t cr = Find('\r', next_cr);
      const std::size_t lf = Find('\n', next_lf);
      const std::size_t first = std::min({comma, cr, lf});
      const bool cr_needs_next = first == cr && first < end && first + 1 == end && !source_done;
      if ((first < end && !cr_needs_next) || source_done) return first;
      if (!Refill())
        return std::min({Find(',', next_comma), Find('\r', next_cr), Find('\n', next_lf)});
    }
  }

  // Steps over the delimiter at where (a comma, a line end, or the end of the file).
  void Consume(std::size_t where) {
    pos = where;
    if (pos >= end) return;
    const char c = buffer[pos++];
    if (c == '\r' && HaveByte() && buffer[pos] == '\n') ++pos;
  }

  std::string_view NextItem() {
    SkipSpaces();
    if (pos < end && buffer[pos] == '"') return NextQuotedItem();
    const std::size_t delimiter = FindDelimiter();
    const std::size_t start = pos;
    const std::size_t length = delimiter - start;
    // FindDelimiter already holds the byte after a CR, so stepping over the line end reads
    // nothing and the item stays where it is.
    Consume(delimiter);
    if (pos < end || source_done) return std::string_view(buffer.data() + start, length);
    // The item ends the buffer: keep a copy of it, then look ahead so that AtEnd() is exact.
    held.assign(buffer.data() + start, length);
    HaveByte();
    return held;
  }

  std::string_view NextQuotedItem() {
    ++pos;  // the opening quote
    quoted.clear();
    for (;;) {
      if (!HaveByte()) break;
      const char c = buffer[pos];
      if (c == '"' || c == '\r' || c == '\n') break;
      // Copy up to the next interesting byte in one go.
      std::size_t stop = pos;
      while (stop < end && buffer[stop] != '"' && buffer[stop] != '\r' && buffer[stop] != '\n') {
        ++stop;
      }
      quoted.append(buffer.data() + pos, stop - pos);
      pos = stop;
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

ItemReader ItemReader::OpenFile(const std::string& path) {
  auto* state = new State;
  ItemReader reader(state);  // owns state from here on, also when a failure follows
  state->name = path;
  errno = 0;
  state->file = std::fopen(path.c_str(), "rb");
  if (state->file == nullptr) throw ReadFailure(FileProblem(path, errno != 0 ? errno : ENOENT));
  // The reader keeps its own large buffer; a second one inside the FILE would only copy.
  std::setvbuf(state->file, nullptr, _IONBF, 0);
  struct stat info {};
  if (fstat(fileno(state->file), &info) == 0 && S_ISREG(info.st_mode)) {
    state->length = static_cast<std::uint64_t>(info.st_size);
  }
  state->buffer.resize(kChunk);
  state->Refill();  // a folder or unreadable file fails here, at the open
  return reader;
}

ItemReader ItemReader::FromText(std::string text, std::string name) {
  auto* state = new State;
  ItemReader reader(state);
  state->name = std::move(name);
  state->length = text.size();
  state->buffer.assign(text.begin(), text.end());
  state->end = state->buffer.size();
  state->source_done = true;
  return reader;
}

std::string_view ItemReader::NextItem() {
  if (AtEnd()) {
    throw ReadFailure(state_->name + ": the file ended where more data was expected.");
  }
  return state_->NextItem();
}

bool ItemReader::AtEnd() const {
  return state_->pos >= state_->end && state_->source_done;
}

std::uint64_t ItemReader::Position() const {
  return state_->dropped + state_->pos;
}

std::uint64_t ItemReader::Length() const {
  return state_->length;
}

const std::string& ItemReader::name() const {
  return state_->name;
}

void ItemReader::BeginDataSet() {
  ++state_->data_sets;
}

int ItemReader::DataSetNumber() const {
  return state_->data_sets;
}

}  // namespace marbleset
