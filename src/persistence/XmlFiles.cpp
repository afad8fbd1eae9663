#include "persistence/XmlFiles.h"

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

// Files whose leftover temporaries were already swept in this run.
std::set<std::filesystem::path>& Swept() {
  static std::set<std::filesystem::path> paths;
  return paths;
}

// Temporaries of saves killed before their rename would otherwise stay forever.
void SweepOnce(const std::filesystem::path& path) {
  if (Swept().insert(path.lexically_normal()).second) RemoveLeftoverTemporaries(path);
}

// The first name of "<path><suffix>", "<path><suffix>.1", ... that is free.
std::optional<std::filesystem::path> FreeAsideName(const std::filesystem::path& path, const std::string& suffix) {
  std::error_code ec;
  for (int n = 0; n < 100; ++n) {
    std::filesystem::path aside = path;
    aside += n == 0 ? suffix : suffix + "." + std::to_string(n);
    if (!std::filesystem::exists(aside, ec) && !ec) return aside;
  }
  return std::nullopt;
}

// Turns every name and text of a parsed document from UTF-8 into the game's text.
class FromUtf8Walker : public pugi::xml_tree_walker {
 public:
  bool for_each(pugi::xml_node& node) override {
    Convert(node.name(), [&](const std::string& t) { node.set_name(t.c_str()); });
    Convert(node.value(), [&](const std::string& t) { node.set_value(t.c_str()); });
    for (pugi::xml_attribute attr : node.attributes()) {
      Convert(attr.name(), [&](const std::string& t) { attr.set_name(t.c_str()); });
      Convert(attr.value(), [&](const std::string& t) { attr.set_value(t.c_str()); });
    }
    return true;
  }

 private:
  template <class Set>
  static void Convert(const char* text, Set&& set) {
    if (!TextEncoding::IsAscii(text)) set(TextEncoding::FromUtf8(text));
  }
};

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

bool ParseXml(std::string_view bytes, pugi::xml_document& doc, unsigned options) {
  // pugixml keeps bytes as they are; the decision is made for the whole file.
  // A file of ASCII may still hold character references, which pugixml
  // expands to UTF-8.
  if (!doc.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_utf8)) return false;
  if (TextEncoding::IsValidUtf8(bytes)) {
    FromUtf8Walker walker;
    doc.traverse(walker);
  }
  return true;
}

std::string SerializeXml(const pugi::xml_document& doc) {
  std::string out;
  StringWriter writer(out);
  doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  // The markup is ASCII, so converting the whole text converts every value.
  return TextEncoding::ToUtf8(out);
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
  SweepOnce(path);
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return LoadOutcome::Missing;

  const std::string fileName = path.filename().string();
  std::string bytes;
  if (ec || !ReadWholeFile(path, bytes)) {
    Protect(path);
    Hub::wtcw_error("Could not read " + fileName + "; it is left as it is and will not be saved over.");
    return LoadOutcome::Unreadable;
  }

  if (ParseXml(bytes, doc, options) && doc.document_element()) {
    Protected().erase(path.lexically_normal());
    if (bytesOut) *bytesOut = std::move(bytes);
    return LoadOutcome::Loaded;
  }
  doc.reset();

  // Never overwritten: the damaged file goes aside under a free name.
  if (const auto aside = FreeAsideName(path, ".corrupt")) {
    std::filesystem::rename(path, *aside, ec);
    if (!ec) {
      Hub::wtcw_error(fileName + " could not be read and was kept as " + aside->filename().string() + ".");
      return LoadOutcome::Corrupt;
    }
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
  SweepOnce(path);
  // Without the copy the user's own text would be lost: no save until it exists.
  SetAsideIfPending(path);
  // A folder that could not be made shows as the writer's "path not found".
  WriteFileAtomic(path, bytes);
}

void SetAsideIfPending(const std::filesystem::path& path) {
  const auto pending = PendingAside().find(path.lexically_normal());
  if (pending == PendingAside().end()) return;
  const auto aside = FreeAsideName(path, ".damaged");
  if (!aside) Raise(58, "File already exists: no free name to keep " + path.filename().string() + " aside");
  WriteFileAtomic(*aside, pending->second);
  PendingAside().erase(pending);
  Hub::wtcw_error(path.filename().string() + " held values that could not be used; the file as it was is kept as " +
                  aside->filename().string() + ".");
}

void KeepAsideBeforeSave(const std::filesystem::path& path, std::optional<std::string> loadedBytes) {
  if (loadedBytes) {
    PendingAside()[path.lexically_normal()] = std::move(*loadedBytes);
  } else {
    PendingAside().erase(path.lexically_normal());
  }
}

bool IsProtected(const std::filesystem::path& path) { return Protected().count(path.lexically_normal()) != 0; }

void ClearProtectedForTesting() {
  Protected().clear();
  PendingAside().clear();
  Swept().clear();
}

}  // namespace mellox::persistence
