#include "formats/newick_reader.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "dataset/errors.h"
#include "dataset/platform.h"

namespace marbleset {

namespace {

class NewickParser {
 public:
  NewickParser(std::string_view text, NewickNames& names, const std::string& source)
      : text_(text), names_(names), source_(source) {
    for (std::size_t otu = 0; otu < names_.names.size(); ++otu) otuOf_[names_.names[otu]] = otu;
  }

  std::vector<Tree> ReadAll() {
    std::vector<Tree> trees;
    SkipBlanks();
    while (at_ < text_.size()) {
      trees.push_back(ReadTree());
      SkipBlanks();
    }
    return trees;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw ReadFailure(ReadProblem::kNotTheLayout, InputPlace{source_},
                      what + " at character " + std::to_string(at_ + 1) + ".");
  }

  // Blanks, line ends and comments between tokens.
  void SkipBlanks() {
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++at_;
      } else if (c == '[') {
        const std::size_t end = text_.find(']', at_);
        if (end == std::string_view::npos) Fail("a comment that is never closed");
        at_ = end + 1;
      } else {
        return;
      }
    }
  }

  char Peek() {
    SkipBlanks();
    return at_ < text_.size() ? text_[at_] : '\0';
  }

  // A quoted or unquoted label; empty when none stands here.
  std::string ReadLabel(bool& quoted) {
    quoted = false;
    std::string label;
    if (Peek() == '\'') {
      quoted = true;
      ++at_;
      while (true) {
        if (at_ >= text_.size()) Fail("a quoted name that is never closed");
        const char c = text_[at_++];
        if (c != '\'') {
          label += c;
        } else if (at_ < text_.size() && text_[at_] == '\'') {
          label += '\'';
          ++at_;
        } else {
          return label;
        }
      }
    }
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (c == '(' || c == ')' || c == ',' || c == ':' || c == ';' || c == '[' || c == '\'' ||
          c == ' ' || c == '\t' || c == '\r' || c == '\n')
        break;
      label += c == '_' ? ' ' : c;
      ++at_;
    }
    return label;
  }

  double ReadNumber() {
    SkipBlanks();
    double value = 0;
    const char* begin = text_.data() + at_;
    const char* first = *begin == '+' ? begin + 1 : begin;
    const auto result = std::from_chars(first, text_.data() + text_.size(), value);
    if (result.ec != std::errc() || result.ptr == first) Fail("a branch length that is no number");
    at_ += static_cast<std::size_t>(result.ptr - begin);
    return value;
  }

  static bool IsNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
  }

  std::size_t OtuNamed(const std::string& name) {
    const auto known = otuOf_.find(name);
    if (known != otuOf_.end()) return known->second;
    if (names_.fixed) Fail("the name \"" + name + "\", which is no OTU of the data,");
    names_.names.push_back(name);
    otuOf_[name] = names_.names.size() - 1;
    return names_.names.size() - 1;
  }

  Tree ReadTree() {
    Tree tree;
    std::vector<bool> seen(names_.names.size(), false);
    // Open inner nodes, innermost last; no recursion, so any depth is read.
    std::vector<std::size_t> open;
    std::size_t node = kNoNode;
    while (true) {
      if (Peek() == '(') {
        ++at_;
        open.push_back(tree.AddNode(open.empty() ? kNoNode : open.back()));
        continue;
      }
      // A leaf.
      bool quoted = false;
      const std::size_t parent = open.empty() ? kNoNode : open.back();
      std::string name = ReadLabel(quoted);
      if (name.empty() && !quoted) Fail("a leaf without a name");
      node = tree.AddNode(parent);
      const std::size_t otu = OtuNamed(name);
      if (otu >= seen.size()) seen.resize(otu + 1, false);
      if (seen[otu]) Fail("the name \"" + name + "\" a second time in one tree");
      seen[otu] = true;
      tree.nodes[node].otu = otu;
      tree.nodes[node].name = std::move(name);
      ReadLength(tree, node);
      // Close the inner nodes that end here.
      while (true) {
        const char c = Peek();
        if (c == ',') {
          if (open.empty()) Fail("a comma outside every parenthesis");
          ++at_;
          break;
        }
        if (c == ')') {
          if (open.empty()) Fail("a closing parenthesis without its opening one");
          ++at_;
          node = open.back();
          open.pop_back();
          ReadInnerLabel(tree, node);
          ReadLength(tree, node);
          continue;
        }
        if (c == ';') {
          if (!open.empty()) Fail("a tree that ends before all its parentheses are closed");
          ++at_;
          tree.root = node;
          return tree;
        }
        Fail(c == '\0' ? std::string("a tree without its closing ';'")
                       : std::string("an unexpected '") + c + "'");
      }
    }
  }

  void ReadInnerLabel(Tree& tree, std::size_t node) {
    bool quoted = false;
    std::string label = ReadLabel(quoted);
    double value = 0;
    if (!quoted && IsNumber(label, value)) {
      tree.nodes[node].support = value;
    } else {
      tree.nodes[node].name = std::move(label);
    }
  }

  void ReadLength(Tree& tree, std::size_t node) {
    if (Peek() != ':') return;
    ++at_;
    tree.nodes[node].length = ReadNumber();
  }

  std::string_view text_;
  NewickNames& names_;
  const std::string& source_;
  std::unordered_map<std::string, std::size_t> otuOf_;
  std::size_t at_ = 0;
};

}  // namespace

std::vector<Tree> ReadNewick(std::string_view text, NewickNames& names, const std::string& source) {
  return NewickParser(text, names, source).ReadAll();
}

std::vector<Tree> ReadNewickFile(const std::string& path, NewickNames& names) {
  std::ifstream in(platform::FilePath(path), std::ios::binary);
  if (!in) throw ReadFailure(ReadProblem::kUnreadable, InputPlace{path}, SystemReason(errno));
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw ReadFailure(ReadProblem::kUnreadable, InputPlace{path}, SystemReason(errno));
  return ReadNewick(text, names, path);
}

}  // namespace marbleset
