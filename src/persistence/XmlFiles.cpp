#include "persistence/XmlFiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <system_error>
#include <variant>

#include "core/AtomicFile.h"
#include "core/Hub.h"
#include "core/TextEncoding.h"
#include "core/VB.h"
#include "core/VBError.h"

namespace mellox::persistence {

namespace {

constexpr const char* kSeparator = "\r\t";

// Paths of files that exist but could not be read: never written over.
std::set<std::filesystem::path>& Protected() {
  static std::set<std::filesystem::path> paths;
  return paths;
}

bool IsForbidden(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override { out_.append(static_cast<const char*>(data), size); }

 private:
  std::string& out_;
};

void Protect(const std::filesystem::path& path) { Protected().insert(path.lexically_normal()); }

// Bytes of loaded files with damaged values, to be kept aside before their next save.
std::map<std::filesystem::path, std::string>& PendingAside() {
  static std::map<std::filesystem::path, std::string> pending;
  return pending;
}

// What the last load of each file had to repair in its texts, until its damage is collected.
std::map<std::filesystem::path, TextRepairs>& LoadRepairs() {
  static std::map<std::filesystem::path, TextRepairs> repairs;
  return repairs;
}

std::string TooLong(const std::string& fileName) {
  return "The name " + fileName + " is too long for a file on this system";
}

// A save needs the name and a temporary name as long as the writer's beside
// it. The file system says which names it cannot hold; a folder yet to be
// made is answered for by the nearest one that stands. Creates nothing.
bool NameTooLong(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path folder = path.parent_path();
  while (!folder.empty() && folder != folder.parent_path() && !std::filesystem::exists(folder, ec)) {
    folder = folder.parent_path();
  }
  std::filesystem::path probe = folder / path.filename();
  probe += ".tmp-000000000000";
  static_cast<void>(std::filesystem::status(probe, ec));
  return ec == std::errc::filename_too_long;
}

// Files whose leftover temporaries were already swept in this run.
std::set<std::filesystem::path>& Swept() {
  static std::set<std::filesystem::path> paths;
  return paths;
}


// Names a file is kept aside under: "<path><suffix>", "<path><suffix>.1", ...
constexpr int kAsideNames = 100;

std::filesystem::path AsideName(const std::filesystem::path& path, const std::string& suffix, int n) {
  std::filesystem::path aside = path;
  aside += n == 0 ? suffix : suffix + "." + std::to_string(n);
  return aside;
}

// The first of those names that is free.
std::optional<std::filesystem::path> FreeAsideName(const std::filesystem::path& path, const std::string& suffix) {
  std::error_code ec;
  for (int n = 0; n < kAsideNames; ++n) {
    const std::filesystem::path aside = AsideName(path, suffix, n);
    if (!std::filesystem::exists(aside, ec) && !ec) return aside;
  }
  return std::nullopt;
}

// Whether one of those names already holds exactly these bytes: a damaged
// file loaded again unchanged needs no second copy.
bool KeptAsideAlready(const std::filesystem::path& path, const std::string& suffix, const std::string& bytes) {
  std::error_code ec;
  for (int n = 0; n < kAsideNames; ++n) {
    const std::filesystem::path aside = AsideName(path, suffix, n);
    const std::uintmax_t size = std::filesystem::file_size(aside, ec);
    std::string kept;
    if (!ec && size == bytes.size() && ReadWholeFile(aside, kept) && kept == bytes) return true;
  }
  return false;
}

bool IsXmlChar(char32_t cp) {
  if (cp < 0x20) return cp == '\t' || cp == '\n' || cp == '\r';
  return !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0xFFFE && cp != 0xFFFF && cp <= 0x10FFFF;
}

// The code point of the character reference or predefined entity at text[i]
// ('&'), and its length; 0 when it is none (the text then keeps the '&').
std::size_t ParseReference(std::string_view text, std::size_t i, char32_t& cp) {
  // Only the letters, digits and '#' a reference can hold are looked at, so
  // a text of many '&' without ';' is still read in one pass.
  const auto inName = [](char c) {
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '#';
  };
  std::size_t end = i + 1;
  while (end < text.size() && inName(text[end])) ++end;
  if (end == text.size() || text[end] != ';') return 0;
  const std::string_view name = text.substr(i + 1, end - i - 1);
  static constexpr std::pair<std::string_view, char> kNamed[] = {
      {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
  for (const auto& [entity, c] : kNamed) {
    if (name == entity) {
      cp = static_cast<unsigned char>(c);
      return end - i + 1;
    }
  }
  if (name.size() < 2 || name[0] != '#') return 0;
  const bool hex = name[1] == 'x';
  const std::string_view digits = name.substr(hex ? 2 : 1);
  if (digits.empty()) return 0;
  // Anything above the last code point is as unusable as the last plus one.
  std::uint64_t value = 0;
  for (const char c : digits) {
    unsigned digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
      digit = static_cast<unsigned>((c | 0x20) - 'a' + 10);
    } else {
      return 0;
    }
    value = std::min<std::uint64_t>(value * (hex ? 16 : 10) + digit, 0x110000);
  }
  cp = static_cast<char32_t>(value);
  return end - i + 1;
}

// Whether the '&' at text[i] starts a reference by name to an entity that is
// none of XML's own (one the document's DOCTYPE declares). Its text is kept as
// written, and a save escapes it: a reader that knew the entity no longer
// shows what it stood for. A name holds no '&', so the text is read in one pass.
bool IsOtherEntity(std::string_view text, std::size_t i) {
  const auto start = [](unsigned char c) {
    return c >= 0x80 || c == '_' || c == ':' || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
  };
  const auto inName = [&](unsigned char c) { return start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; };
  std::size_t end = i + 1;
  if (end == text.size() || !start(static_cast<unsigned char>(text[end]))) return false;
  while (++end < text.size() && inName(static_cast<unsigned char>(text[end]))) {
  }
  return end < text.size() && text[end] == ';';
}

// How the bytes of a document's texts are to be read.
enum class TextSource {
  // UTF-8; a text that is not valid UTF-8 is taken as the game's bytes.
  Utf8,
  // Declared Windows-1252 or ISO-8859-1: the game's bytes already.
  GameBytes,
};

// One text of the file as the game's text. References are expanded here, not
// by the parser: a reference to a character the game text cannot carry
// (NUL would cut the value short) becomes '?' like any other such character.
std::string DecodeText(std::string_view raw, TextSource source, bool references, TextRepairs* repairs) {
  const bool asUtf8 = source == TextSource::Utf8 && TextEncoding::IsValidUtf8(raw);
  bool forbidden = false;
  bool entity = false;
  std::size_t lost = 0;
  std::string out;
  out.reserve(raw.size());
  std::size_t run = 0;
  const auto flush = [&](std::size_t end) {
    const std::string_view part = raw.substr(run, end - run);
    const std::size_t from = out.size();
    out += asUtf8 ? TextEncoding::FromUtf8(part, &lost) : std::string(part);
    for (std::size_t k = from; k < out.size(); ++k) {
      if (IsForbidden(static_cast<unsigned char>(out[k]))) {
        out[k] = '?';
        forbidden = true;
      }
    }
  };
  for (std::size_t i = references ? raw.find('&') : std::string_view::npos; i != std::string_view::npos;
       i = raw.find('&', i)) {
    char32_t cp = 0;
    const std::size_t n = ParseReference(raw, i, cp);
    if (n == 0) {
      entity = entity || IsOtherEntity(raw, i);
      ++i;
      continue;
    }
    flush(i);
    if (IsXmlChar(cp)) {
      out += TextEncoding::ByteOf(cp, &lost);
    } else {
      out += '?';
      forbidden = true;
    }
    i += n;
    run = i;
  }
  flush(raw.size());
  if (repairs) {
    if (source == TextSource::Utf8 && !asUtf8) ++repairs->notUtf8;
    if (forbidden) ++repairs->forbidden;
    if (lost != 0) ++repairs->lost;
    if (entity) ++repairs->entities;
  }
  return out;
}

// Turns every name and text of a parsed document into the game's text.
// Values count as repaired (texts and attribute values, and the comments and
// instructions of a parse that keeps them, as the chat log's does); names do not.
class TextWalker : public pugi::xml_tree_walker {
 public:
  TextWalker(TextSource source, bool references, TextRepairs* repairs)
      : source_(source), references_(references), repairs_(repairs) {}

  bool for_each(pugi::xml_node& node) override {
    const pugi::xml_node_type type = node.type();
    Convert(node.name(), false, nullptr, [&](const std::string& t) { node.set_name(t.c_str()); });
    Convert(node.value(), references_ && type == pugi::node_pcdata, repairs_,
            [&](const std::string& t) { node.set_value(t.c_str()); });
    for (pugi::xml_attribute attr : node.attributes()) {
      Convert(attr.name(), false, nullptr, [&](const std::string& t) { attr.set_name(t.c_str()); });
      Convert(attr.value(), references_, repairs_, [&](const std::string& t) { attr.set_value(t.c_str()); });
    }
    return true;
  }

 private:
  template <class Set>
  void Convert(const char* text, bool references, TextRepairs* repairs, Set&& set) const {
    const std::string_view raw(text);
    bool plain = references ? raw.find('&') == std::string_view::npos : true;
    for (std::size_t k = 0; plain && k < raw.size(); ++k) {
      const auto c = static_cast<unsigned char>(raw[k]);
      plain = c < 0x80 && !IsForbidden(c);
    }
    if (!plain) set(DecodeText(raw, source_, references, repairs));
  }

  TextSource source_;
  bool references_;
  TextRepairs* repairs_;
};

// An encoding's name as compared: lower case, without '-' and '_'.
std::string EncodingName(std::string_view declared) {
  std::string name;
  for (const char c : vb::LCase(declared)) {
    if (c != '-' && c != '_') name += c;
  }
  return name;
}

// The names read as the game's own bytes (ISO-8859-1 among them).
bool IsGameCodePage(const std::string& name) {
  static constexpr std::string_view kGameCodePage[] = {"windows1252", "cp1252", "xcp1252", "iso88591",
                                                       "latin1",      "l1",     "cp819",   "iso885911987"};
  return std::find(std::begin(kGameCodePage), std::end(kGameCodePage), name) != std::end(kGameCodePage);
}

// The encoding a document's byte-order mark, first characters or declaration
// gives; without any, UTF-8.
struct Detected {
  pugi::xml_encoding encoding = pugi::encoding_utf8;
  TextSource source = TextSource::Utf8;
};

Detected DetectEncoding(std::string_view bytes) {
  const auto at = [&](std::size_t k) { return k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0x100u; };
  if (at(0) == 0xFF && at(1) == 0xFE && at(2) == 0 && at(3) == 0) return {pugi::encoding_utf32_le};
  if (at(0) == 0 && at(1) == 0 && at(2) == 0xFE && at(3) == 0xFF) return {pugi::encoding_utf32_be};
  if (at(0) == 0xFF && at(1) == 0xFE) return {pugi::encoding_utf16_le};
  if (at(0) == 0xFE && at(1) == 0xFF) return {pugi::encoding_utf16_be};
  // Without a mark, the '<' that must come first.
  if (at(0) == '<' && at(1) == 0 && at(2) == 0 && at(3) == 0) return {pugi::encoding_utf32_le};
  if (at(0) == 0 && at(1) == 0 && at(2) == 0 && at(3) == '<') return {pugi::encoding_utf32_be};
  if (at(0) == '<' && at(1) == 0 && at(3) == 0) return {pugi::encoding_utf16_le};
  if (at(0) == 0 && at(1) == '<' && at(2) == 0) return {pugi::encoding_utf16_be};

  // The UTF-8 mark, like the others, outweighs a declaration.
  if (!bytes.starts_with("<?xml")) return {};
  const std::string_view declaration = bytes.substr(0, bytes.find("?>"));
  std::size_t i = declaration.find("encoding");
  if (i == std::string_view::npos) return {};
  i = declaration.find_first_not_of(" \t\r\n=", i + 8);
  if (i == std::string_view::npos || (declaration[i] != '"' && declaration[i] != '\'')) return {};
  const std::size_t end = declaration.find(declaration[i], i + 1);
  if (end == std::string_view::npos) return {};
  if (IsGameCodePage(EncodingName(declaration.substr(i + 1, end - i - 1)))) {
    return {pugi::encoding_utf8, TextSource::GameBytes};
  }
  // UTF-8, ASCII, or a name not known here: each text that is not UTF-8 is
  // then read as the game's bytes and the file reported.
  return {};
}

// The names a declaration may give each encoding written. A byte order the
// name gives must be the bytes' own: a reader that heeds the name cannot read
// the file otherwise.
bool Names(const std::string& name, FileEncoding::Form form) {
  switch (form) {
    case FileEncoding::Utf8:
      return name == "utf8";
    case FileEncoding::Utf16Le:
      return name == "utf16" || name == "utf16le";
    case FileEncoding::Utf16Be:
      return name == "utf16" || name == "utf16be";
    case FileEncoding::Utf32Le:
      return name == "utf32" || name == "utf32le";
    case FileEncoding::Utf32Be:
      return name == "utf32" || name == "utf32be";
    case FileEncoding::Windows1252:
      return name == "windows1252" || name == "cp1252" || name == "xcp1252";
  }
  return false;
}

const char* CanonicalName(FileEncoding::Form form) {
  switch (form) {
    case FileEncoding::Utf16Le:
    case FileEncoding::Utf16Be:
      return "UTF-16";
    case FileEncoding::Utf32Le:
    case FileEncoding::Utf32Be:
      return "UTF-32";
    case FileEncoding::Windows1252:
      return "windows-1252";
    case FileEncoding::Utf8:
      break;
  }
  return "UTF-8";
}

// pugixml drops a UTF-16 surrogate without its pair, and passes on a UTF-32
// unit that is no character: each becomes U+FFFD first, so the loss shows as
// a '?' and is counted like any character the game's code page lacks.
// Nothing when the bytes hold none (or are of another encoding).
std::optional<std::string> ReplaceBadUnits(std::string_view bytes, pugi::xml_encoding encoding) {
  const bool utf16 = encoding == pugi::encoding_utf16_le || encoding == pugi::encoding_utf16_be;
  const bool utf32 = encoding == pugi::encoding_utf32_le || encoding == pugi::encoding_utf32_be;
  if (!utf16 && !utf32) return std::nullopt;
  const bool big = encoding == pugi::encoding_utf16_be || encoding == pugi::encoding_utf32_be;
  const std::size_t width = utf16 ? 2 : 4;
  const std::size_t units = bytes.size() / width;
  const auto unit = [&](std::size_t k) {
    char32_t u = 0;
    for (std::size_t b = 0; b < width; ++b) {
      const auto byte = static_cast<unsigned char>(bytes[k * width + (big ? b : width - 1 - b)]);
      u = u << 8 | byte;
    }
    return u;
  };
  const auto surrogate = [](char32_t u, char32_t first) { return u >= first && u < first + 0x400; };
  std::optional<std::string> out;
  for (std::size_t k = 0; k < units; ++k) {
    const char32_t u = unit(k);
    if (utf16 && surrogate(u, 0xD800) && k + 1 < units && surrogate(unit(k + 1), 0xDC00)) {
      ++k;
      continue;
    }
    if (!surrogate(u, 0xD800) && !surrogate(u, 0xDC00) && u <= 0x10FFFF) continue;
    if (!out) out.emplace(bytes);
    for (std::size_t b = 0; b < width; ++b) {
      const unsigned shift = static_cast<unsigned>(8 * (big ? width - 1 - b : b));
      (*out)[k * width + b] = static_cast<char>((char32_t{0xFFFD} >> shift) & 0xFF);
    }
  }
  return out;
}

}  // namespace

pugi::xml_node StartDocument(pugi::xml_document& doc) {
  pugi::xml_node root = doc.append_child("Mellox");
  root.append_child(pugi::node_pcdata).set_value(kSeparator);
  return root;
}

pugi::xml_node AddElement(pugi::xml_node root, const char* name) {
  pugi::xml_node element = root.append_child(name);
  root.append_child(pugi::node_pcdata).set_value(kSeparator);
  return element;
}

void SetAttr(pugi::xml_node element, const char* name, std::string_view value) {
  pugi::xml_attribute attr = element.append_attribute(name);
  for (unsigned char c : value) {
    if (IsForbidden(c)) {
      const std::string safe = XmlSafe(value);
      attr.set_value(safe.data(), safe.size());
      return;
    }
  }
  attr.set_value(value.data(), value.size());
}

void SetAttr(pugi::xml_node element, const char* name, const char* value) {
  SetAttr(element, name, std::string_view(value));
}

void SetAttr(pugi::xml_node element, const char* name, const std::string& value) {
  SetAttr(element, name, std::string_view(value));
}

void SetAttr(pugi::xml_node element, const char* name, std::int32_t value) {
  SetAttr(element, name, static_cast<std::int64_t>(value));
}

void SetAttr(pugi::xml_node element, const char* name, bool value) {
  element.append_attribute(name).set_value(BoolText(value));
}

void SetAttr(pugi::xml_node element, const char* name, std::int64_t value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  element.append_attribute(name).set_value(buf, static_cast<size_t>(res.ptr - buf));
}

std::string FinishDocument(pugi::xml_document& doc) {
  pugi::xml_node root = doc.document_element();
  pugi::xml_node last = root.last_child();
  if (last && last.type() == pugi::node_pcdata) last.set_value("\r");
  return SerializeXml(doc);
}

bool ParseXml(std::string_view bytes, pugi::xml_document& doc, unsigned options, TextRepairs* repairs) {
  const Detected detected = DetectEncoding(bytes);
  // pugixml leaves the bytes of a UTF-8 document as they are (and turns the
  // others into UTF-8); the texts are decided one by one. It does not expand
  // the references either: it would end a value at "&#0;".
  const bool references = (options & pugi::parse_escapes) != 0;
  const std::optional<std::string> replaced = ReplaceBadUnits(bytes, detected.encoding);
  if (replaced) bytes = *replaced;
  if (!doc.load_buffer(bytes.data(), bytes.size(), options & ~static_cast<unsigned>(pugi::parse_escapes),
                       detected.encoding)) {
    return false;
  }
  TextWalker walker(detected.source, references, repairs);
  doc.traverse(walker);
  return true;
}

std::string SerializeRaw(const pugi::xml_document& doc) {
  std::string out;
  StringWriter writer(out);
  doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return out;
}

std::string SerializeXml(const pugi::xml_document& doc) {
  // The markup is ASCII, so converting the whole text converts every value.
  return TextEncoding::ToUtf8(SerializeRaw(doc));
}

FileEncoding EncodingToWrite(std::string_view bytes) {
  const Detected detected = DetectEncoding(bytes);
  switch (detected.encoding) {
    case pugi::encoding_utf16_le:
      return {FileEncoding::Utf16Le};
    case pugi::encoding_utf16_be:
      return {FileEncoding::Utf16Be};
    case pugi::encoding_utf32_le:
      return {FileEncoding::Utf32Le};
    case pugi::encoding_utf32_be:
      return {FileEncoding::Utf32Be};
    default:
      break;
  }
  return {detected.source == TextSource::GameBytes ? FileEncoding::Windows1252 : FileEncoding::Utf8};
}

std::string SerializeXml(pugi::xml_document& doc, const FileEncoding& encoding) {
  for (pugi::xml_node node : doc.children()) {
    if (node.type() != pugi::node_declaration) continue;
    // Without a name the mark or UTF-8 is meant, which the bytes then are.
    pugi::xml_attribute name = node.attribute("encoding");
    if (name && !Names(EncodingName(name.value()), encoding.form)) name.set_value(CanonicalName(encoding.form));
  }
  const std::string game = SerializeRaw(doc);
  switch (encoding.form) {
    case FileEncoding::Windows1252:
      return game;
    case FileEncoding::Utf8:
      return TextEncoding::ToUtf8(game);
    default:
      break;
  }
  // Every character of the game's text is one unit of either width.
  const bool wide = encoding.form == FileEncoding::Utf32Le || encoding.form == FileEncoding::Utf32Be;
  const bool big = encoding.form == FileEncoding::Utf16Be || encoding.form == FileEncoding::Utf32Be;
  const std::size_t width = wide ? 4 : 2;
  std::string out;
  out.reserve((game.size() + 1) * width);
  const auto put = [&](char32_t unit) {
    for (std::size_t b = 0; b < width; ++b) {
      const std::size_t shift = 8 * (big ? width - 1 - b : b);
      out += static_cast<char>((unit >> shift) & 0xFF);
    }
  };
  put(0xFEFF);
  for (const char c : game) put(TextEncoding::CodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string XmlSafe(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (IsForbidden(static_cast<unsigned char>(c))) c = '?';
  }
  return out;
}

const char* BoolText(bool value) { return value ? "True" : "False"; }

std::string DoubleText(double value) {
  if (!std::isfinite(value)) return "0";
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::string VariantText(const platform::Variant& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(std::int64_t v) const {
      char buf[24];
      const auto res = std::to_chars(buf, buf + sizeof buf, v);
      return std::string(buf, res.ptr);
    }
    std::string operator()(double v) const { return vb::CStr(v); }
    std::string operator()(bool v) const { return BoolText(v); }
    std::string operator()(const std::string& v) const { return v; }
  };
  return std::visit(Visitor{}, value.value);
}

std::int32_t VariantLong(const platform::Variant& value) {
  struct Visitor {
    std::int32_t operator()(std::monostate) const { return 0; }
    std::int32_t operator()(std::int64_t v) const { return vb::CLng(static_cast<double>(v)); }
    std::int32_t operator()(double v) const { return vb::CLng(v); }
    std::int32_t operator()(bool v) const { return v ? -1 : 0; }
    std::int32_t operator()(const std::string& v) const { return vb::CLng(v); }
  };
  return std::visit(Visitor{}, value.value);
}

std::string CheckText(const platform::Variant& value) {
  const std::string text = VariantText(value);
  return text.empty() ? BoolText(false) : text;
}

std::string FileNamePart(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  }
  return out;
}

LoadOutcome LoadXmlFile(const std::filesystem::path& path, pugi::xml_document& doc, unsigned options,
                        std::string* bytesOut) {
  doc.reset();
  SweepLeftoversOnce(path);
  LoadRepairs().erase(path.lexically_normal());
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  const std::string fileName = path.filename().string();
  const bool missing = status.type() == std::filesystem::file_type::not_found;
  if ((missing || ec) && NameTooLong(path)) {
    Hub::wtcw_error(TooLong(fileName) + "; it cannot be read or saved.");
    return LoadOutcome::NameTooLong;
  }
  if (missing) return LoadOutcome::Missing;
  std::string bytes;
  if (ec || !ReadWholeFile(path, bytes)) {
    Protect(path);
    Hub::wtcw_error("Could not read " + fileName + "; it is left as it is and will not be saved over.");
    return LoadOutcome::Unreadable;
  }

  TextRepairs repairs;
  if (ParseXml(bytes, doc, options, &repairs) && doc.document_element()) {
    Protected().erase(path.lexically_normal());
    if (repairs.Any()) LoadRepairs()[path.lexically_normal()] = repairs;
    if (bytesOut) *bytesOut = std::move(bytes);
    return LoadOutcome::Loaded;
  }
  doc.reset();

  // Never overwritten: the damaged file goes aside under a free name.
  if (const auto aside = MoveAside(path, ".corrupt")) {
    Hub::wtcw_error(fileName + " could not be read and was kept as " + aside->filename().string() + ".");
    return LoadOutcome::Corrupt;
  }
  Protect(path);
  Hub::wtcw_error(fileName + " could not be read; it is left as it is and will not be saved over.");
  return LoadOutcome::Unreadable;
}

void SaveXmlFile(const std::filesystem::path& path, std::string_view bytes) {
  if (IsProtected(path)) {
    Raise(75, "Path/File access error: " + path.filename().string() + " could not be read and is kept as it is");
  }
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (NameTooLong(path)) Raise(75, "Path/File access error: " + TooLong(path.filename().string()));
  SweepLeftoversOnce(path);
  // Without the copy the user's own text would be lost: no save until it exists.
  SetAsideIfPending(path);
  // A folder that could not be made shows as the writer's "path not found".
  WriteFileAtomic(path, bytes);
}

void SetAsideIfPending(const std::filesystem::path& path) {
  const auto pending = PendingAside().find(path.lexically_normal());
  if (pending == PendingAside().end()) return;
  const std::optional<std::filesystem::path> aside = CopyAside(path, ".damaged", pending->second);
  if (!aside) RaiseNoFreeAsideName(path);
  PendingAside().erase(pending);
  if (aside->empty()) return;
  Hub::wtcw_error(path.filename().string() + " held values that could not be used; the file as it was is kept as " +
                  aside->filename().string() + ".");
}

void RaiseNoFreeAsideName(const std::filesystem::path& path) {
  Raise(58, "File already exists: no free name to keep " + path.filename().string() + " aside");
}

std::optional<std::filesystem::path> CopyAside(const std::filesystem::path& path, const std::string& suffix,
                                               const std::string& bytes) {
  if (KeptAsideAlready(path, suffix, bytes)) return std::filesystem::path();
  const auto aside = FreeAsideName(path, suffix);
  if (aside) WriteFileAtomic(*aside, bytes);
  return aside;
}

void KeepAsideBeforeSave(const std::filesystem::path& path, std::optional<std::string> loadedBytes) {
  if (loadedBytes) {
    PendingAside()[path.lexically_normal()] = std::move(*loadedBytes);
  } else {
    PendingAside().erase(path.lexically_normal());
  }
}

TextRepairs TakeTextRepairs(const std::filesystem::path& path) {
  const auto found = LoadRepairs().find(path.lexically_normal());
  if (found == LoadRepairs().end()) return {};
  const TextRepairs repairs = found->second;
  LoadRepairs().erase(found);
  return repairs;
}

void AddTextRepairs(const std::filesystem::path& path, const TextRepairs& repairs) {
  if (!repairs.Any()) return;
  TextRepairs& held = LoadRepairs()[path.lexically_normal()];
  held.notUtf8 += repairs.notUtf8;
  held.forbidden += repairs.forbidden;
  held.lost += repairs.lost;
  held.entities += repairs.entities;
}

std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& path, const std::string& suffix) {
  const auto aside = FreeAsideName(path, suffix);
  if (!aside) return std::nullopt;
  std::error_code ec;
  std::filesystem::rename(path, *aside, ec);
  if (ec) return std::nullopt;
  return aside;
}

void SweepLeftoversOnce(const std::filesystem::path& path) {
  // Those of every file of its kind in the folder: one this run never reads
  // or writes (the global settings while a character's own are in use) would
  // keep them for good. A kill while a damaged file's copy was written
  // leaves a whole copy of it.
  const std::string kind = path.extension().string();
  const std::filesystem::path folder = path.parent_path();
  if (Swept().insert(folder.lexically_normal() / ("*" + kind)).second)
    RemoveLeftoverTemporaries(folder, kind, ".damaged");
}

bool Exists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

bool IsProtected(const std::filesystem::path& path) {
  const auto found = Protected().find(path.lexically_normal());
  if (found == Protected().end()) return false;
  // The user removed it during the run: there is nothing left to keep.
  if (!Exists(path)) {
    Protected().erase(found);
    return false;
  }
  return true;
}

void ClearProtectedForTesting() {
  Protected().clear();
  PendingAside().clear();
  Swept().clear();
  LoadRepairs().clear();
}

}  // namespace mellox::persistence
