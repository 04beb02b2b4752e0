#include "pictures/svg_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "pictures/png_encoder.h"

namespace marbleset::pictures {

namespace {

std::string Hex(Argb colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", Red(colour), Green(colour), Blue(colour));
  return text;
}

// fill="#rrggbb" (with fill-opacity when not opaque), or fill="none".
std::string Paint(const char* attribute, Argb colour) {
  if (colour == kNoColour) return std::string(" ") + attribute + "=\"none\"";
  std::string text = std::string(" ") + attribute + "=\"" + Hex(colour) + "\"";
  if (Alpha(colour) != 255) {
    text += std::string(" ") + attribute + "-opacity=\"" + SvgNumber(Alpha(colour) / 255.0) + "\"";
  }
  return text;
}

// Length of the UTF-8 sequence starting at text[k], or 0 when the bytes there are not one.
std::size_t Utf8Length(const std::string& text, std::size_t k) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(k);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  if (length == 0 || k + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(k + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// Text as XML character data: markup characters escaped, control characters and bytes that
// are not UTF-8 (names are bytes as a file held them) shown as '?', so the file stays valid XML.
std::string Escaped(const std::string& text) {
  std::string out;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const unsigned char c = static_cast<unsigned char>(text[k]);
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '"')
      out += "&quot;";
    else if (c < 0x20 || c == 0x7F)
      out += '?';
    else if (c < 0x80)
      out += static_cast<char>(c);
    else if (const std::size_t length = Utf8Length(text, k); length > 0) {
      out.append(text, k, length);
      k += length - 1;
    } else {
      out += '?';
    }
  }
  return out;
}

std::string Base64(const std::string& bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t k = 0; k < bytes.size(); k += 3) {
    const auto at = [&](std::size_t i) {
      return i < bytes.size() ? static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) : 0u;
    };
    const unsigned group = (at(k) << 16) | (at(k + 1) << 8) | at(k + 2);
    out += kDigits[(group >> 18) & 63];
    out += kDigits[(group >> 12) & 63];
    out += k + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
    out += k + 2 < bytes.size() ? kDigits[group & 63] : '=';
  }
  return out;
}

const char* AnchorName(TextAnchor anchor) {
  switch (anchor) {
    case TextAnchor::kStart:
      return "start";
    case TextAnchor::kMiddle:
      return "middle";
    case TextAnchor::kEnd:
      return "end";
  }
  return "start";
}

void Element(std::string& out, const SceneRect& rect) {
  out += "<rect x=\"" + SvgNumber(rect.x) + "\" y=\"" + SvgNumber(rect.y) + "\" width=\"" +
         SvgNumber(rect.width) + "\" height=\"" + SvgNumber(rect.height) + "\"" +
         Paint("fill", rect.fill);
  if (rect.stroke != kNoColour) out += Paint("stroke", rect.stroke);
  out += "/>\n";
}

void Element(std::string& out, const SceneLine& line) {
  out += "<line x1=\"" + SvgNumber(line.x1) + "\" y1=\"" + SvgNumber(line.y1) + "\" x2=\"" +
         SvgNumber(line.x2) + "\" y2=\"" + SvgNumber(line.y2) + "\"" +
         Paint("stroke", line.colour) + " stroke-width=\"" + SvgNumber(line.width) + "\"/>\n";
}

void Element(std::string& out, const SceneCircle& circle) {
  out += "<circle cx=\"" + SvgNumber(circle.x) + "\" cy=\"" + SvgNumber(circle.y) + "\" r=\"" +
         SvgNumber(circle.radius) + "\"" + Paint("fill", circle.fill);
  if (circle.stroke != kNoColour) out += Paint("stroke", circle.stroke);
  if (circle.title.empty()) {
    out += "/>\n";
  } else {
    out += "><title>" + Escaped(circle.title) + "</title></circle>\n";
  }
}

void Element(std::string& out, const SceneText& text) {
  out += "<text x=\"" + SvgNumber(text.x) + "\" y=\"" + SvgNumber(text.y) + "\" font-size=\"" +
         SvgNumber(text.size) + "\"" + Paint("fill", text.colour);
  if (text.anchor != TextAnchor::kStart) {
    out += std::string(" text-anchor=\"") + AnchorName(text.anchor) + "\"";
  }
  if (text.vertical) {
    out += " transform=\"rotate(-90 " + SvgNumber(text.x) + " " + SvgNumber(text.y) + ")\"";
  }
  out += '>';
  out += Escaped(text.text);
  out += "</text>\n";
}

void Element(std::string& out, const SceneImage& image) {
  if (!image.raster) return;
  out += "<image x=\"" + SvgNumber(image.x) + "\" y=\"" + SvgNumber(image.y) + "\" width=\"" +
         SvgNumber(image.width) + "\" height=\"" + SvgNumber(image.height) +
         "\" preserveAspectRatio=\"none\" image-rendering=\"optimizeSpeed\""
         " style=\"image-rendering:pixelated\" xlink:href=\"data:image/png;base64," +
         Base64(EncodePng(*image.raster)) + "\"/>\n";
}

}  // namespace

std::string SvgNumber(double value) {
  const double rounded = std::round(value * 100) / 100;
  if (rounded == 0) return "0";  // no "-0"
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed, 2);
  std::string number(text, result.ptr);
  while (number.back() == '0') number.pop_back();
  if (number.back() == '.') number.pop_back();
  return number;
}

std::string SvgText(const Scene& scene) {
  std::string out;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out +=
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\""
      " version=\"1.1\" width=\"" +
      SvgNumber(scene.width) + "\" height=\"" + SvgNumber(scene.height) + "\" viewBox=\"0 0 " +
      SvgNumber(scene.width) + " " + SvgNumber(scene.height) +
      "\" font-family=\"DejaVu Sans Mono, monospace\">\n";
  if (scene.background != kNoColour) {
    out += "<rect width=\"100%\" height=\"100%\"" + Paint("fill", scene.background) + "/>\n";
  }
  for (const SceneItem& item : scene.items) {
    std::visit([&out](const auto& shape) { Element(out, shape); }, item);
  }
  out += "</svg>\n";
  return out;
}

void WriteSvg(const Scene& scene, TextSink& sink) {
  sink.Append(SvgText(scene));
}

}  // namespace marbleset::pictures
