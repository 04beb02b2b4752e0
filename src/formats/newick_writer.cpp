#include "formats/newick_writer.h"

#include <charconv>
#include <cmath>

namespace marbleset {

namespace {

bool IsNewickPunctuation(char c) {
  switch (c) {
    case '(':
    case ')':
    case '[':
    case ']':
    case '\'':
    case ':':
    case ';':
    case ',':
      return true;
    default:
      return false;
  }
}

std::string FixedText(double value, int decimals) {
  char text[400];
  const auto result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  std::string written(text, result.ptr);
  // A negative value that rounds to zero is written without its sign.
  if (written.front() == '-' && written.find_first_not_of("-0.") == std::string::npos)
    written.erase(0, 1);
  return written;
}

void WriteLabelAndLength(const TreeNode& node, std::string& text) {
  if (node.IsLeaf()) {
    text += NewickLabel(node.name);
  } else if (node.HasSupport()) {
    text += SupportText(node.support);
  } else if (!node.name.empty()) {
    text += NewickLabel(node.name);
  }
  if (node.HasLength()) {
    text += ':';
    text += BranchLengthText(node.length);
  }
}

}  // namespace

std::string NewickLabel(std::string_view name) {
  bool underscores = false, special = name.empty();
  for (char c : name) {
    if (c == '_') {
      underscores = true;
    } else if (IsNewickPunctuation(c) || static_cast<unsigned char>(c) < ' ' || c == 0x7f) {
      special = true;
    }
  }
  // An unquoted '_' reads back as a blank, so a name holding one is quoted.
  if (!special && !underscores) {
    std::string label(name);
    for (char& c : label)
      if (c == ' ') c = '_';
    return label;
  }
  std::string quoted = "'";
  for (char c : name) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

std::string BranchLengthText(double length) {
  return FixedText(length, 6);
}

std::string SupportText(double percent) {
  std::string text = FixedText(std::round(percent * 10.0) / 10.0, 1);
  if (text.ends_with(".0")) text.resize(text.size() - 2);
  return text;
}

std::string NewickText(const Tree& tree) {
  std::string text;
  if (tree.root != kNoNode) {
    // Children are written between an opening and a closing step, without recursion, so a
    // caterpillar of thousands of OTUs cannot exhaust the stack.
    struct Step {
      std::size_t node;
      std::size_t next;  // the child to write next
    };
    std::vector<Step> stack{{tree.root, 0}};
    while (!stack.empty()) {
      Step& step = stack.back();
      const TreeNode& node = tree.nodes[step.node];
      if (node.IsLeaf()) {
        WriteLabelAndLength(node, text);
        stack.pop_back();
        continue;
      }
      if (step.next == node.children.size()) {
        text += ')';
        WriteLabelAndLength(node, text);
        stack.pop_back();
        continue;
      }
      text += step.next == 0 ? '(' : ',';
      const std::size_t child = node.children[step.next++];
      stack.push_back({child, 0});
    }
  }
  return text + ";";
}

void WriteNewick(const Tree& tree, TextSink& out) {
  out.Append(NewickText(tree));
  out.EndLine();
}

}  // namespace marbleset
