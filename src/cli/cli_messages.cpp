#include "cli/cli_messages.h"

#include <cstdint>

namespace marbleset::cli {

namespace {

void AppendEscapedByte(std::string& out, unsigned char byte) {
  constexpr char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0xf];
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xc0) == 0x80;
}

// The length of the valid UTF-8 sequence at text[k] whose lead byte is not ASCII, or 0 when the
// bytes there are not one (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t k) {
  const auto at = [&](std::size_t n) -> unsigned {
    return k + n < text.size() ? static_cast<unsigned char>(text[k + n]) : 0u;
  };
  const unsigned lead = at(0);
  std::size_t length = 0;
  unsigned low = 0x80, high = 0xbf;  // the allowed range of the second byte
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (at(1) < low || at(1) > high) return 0;
  for (std::size_t n = 2; n < length; ++n) {
    if (!IsContinuation(static_cast<unsigned char>(at(n)))) return 0;
  }
  return length;
}

void AppendEscaped(std::string& out, std::string_view text, bool quoting) {
  for (std::size_t k = 0; k < text.size();) {
    const auto byte = static_cast<unsigned char>(text[k]);
    if (byte < 0x80) {
      if (byte < 0x20 || byte == 0x7f) {
        AppendEscapedByte(out, byte);
      } else {
        if (quoting && (byte == '"' || byte == '\\')) out += '\\';
        out += static_cast<char>(byte);
      }
      ++k;
      continue;
    }
    const std::size_t length = Utf8SequenceLength(text, k);
    // U+0080 to U+009F are controls too: some terminals act on them.
    const bool c1Control =
        length == 2 && byte == 0xc2 && static_cast<unsigned char>(text[k + 1]) < 0xa0;
    if (length == 0 || c1Control) {
      const std::size_t bytes = length == 0 ? 1 : length;
      for (std::size_t n = 0; n < bytes; ++n) {
        AppendEscapedByte(out, static_cast<unsigned char>(text[k + n]));
      }
      k += bytes;
      continue;
    }
    out.append(text.substr(k, length));
    k += length;
  }
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(out, text, false);
  return out;
}

std::string Quoted(std::string_view name) {
  std::string out = "\"";
  AppendEscaped(out, name, true);
  out += '"';
  return out;
}

void PrintError(std::ostream& err, std::string_view line, std::string_view hint) {
  err << "marbleset-cli: " << EscapeControls(line) << '\n';
  if (!hint.empty()) err << EscapeControls(hint) << '\n';
  err.flush();
}

}  // namespace marbleset::cli
