// Reading and writing the plug-in's own XML files (settings, data): the shared
// layout (root children separated by CR TAB, a lone CR before the end tag),
// value texts, safe file names, the one conversion between the game's text
// and the UTF-8 in the files, and the rules that keep a good file whole:
// atomic rewrites, unreadable files moved aside and never overwritten.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "platform/Variant.h"

namespace mellox::persistence {

// --- Layout ------------------------------------------------------------------

// A new document whose root element is `Mellox`, already followed inside by CR TAB.
pugi::xml_node StartDocument(pugi::xml_document& doc);
// Appends an element to the root and the CR TAB that follows every element.
pugi::xml_node AddElement(pugi::xml_node root, const char* name);
// Sets an attribute; characters XML 1.0 cannot carry are replaced first.
void SetAttr(pugi::xml_node element, const char* name, std::string_view value);
void SetAttr(pugi::xml_node element, const char* name, bool value);
void SetAttr(pugi::xml_node element, const char* name, const char* value);
void SetAttr(pugi::xml_node element, const char* name, const std::string& value);
void SetAttr(pugi::xml_node element, const char* name, std::int64_t value);
void SetAttr(pugi::xml_node element, const char* name, std::int32_t value);
// Replaces the CR TAB after the last element by a single CR and serialises
// the document without declaration or indentation.
std::string FinishDocument(pugi::xml_document& doc);

// --- Encoding ----------------------------------------------------------------
// A document in memory holds the game's text (Windows-1252); a file holds UTF-8
// when this system wrote it, and whatever its mark or declaration says otherwise.

// Texts a parse could only read by repairing them.
struct TextRepairs {
  // Not UTF-8 in a UTF-8 document, read as the game's bytes.
  std::int64_t notUtf8 = 0;
  // Holding a character XML does not allow (a control, NUL), read as '?'.
  std::int64_t forbidden = 0;
  // Holding a character the game's code page lacks (or a UTF-16 or UTF-32
  // unit that is no character), read as '?'.
  std::int64_t lost = 0;
  // Holding a reference to an entity that is none of XML's own (one a
  // DOCTYPE declares), kept as written: a save then escapes it.
  std::int64_t entities = 0;
  bool Any() const { return notUtf8 != 0 || forbidden != 0 || lost != 0 || entities != 0; }
};

// Parses file bytes into doc, turning the file's text into the game's text.
// The encoding is the one the byte-order mark or declaration gives (UTF-8,
// UTF-16, UTF-32, Windows-1252 or ISO-8859-1), else UTF-8. In UTF-8, each text
// (attribute value, text node) that is not valid UTF-8 (files of earlier
// builds) is taken as the game's text already. repairs, when given, counts the
// texts that needed that, held a character the game text cannot carry, lost
// one to a '?', or kept a reference to an entity as written.
// False when the bytes do not parse.
bool ParseXml(std::string_view bytes, pugi::xml_document& doc, unsigned options = pugi::parse_default,
              TextRepairs* repairs = nullptr);
// The document without declaration or indentation, its texts as they are in
// memory (bytes a parse as UTF-8 gave come back unchanged).
std::string SerializeRaw(const pugi::xml_document& doc);
// The document as file bytes: no declaration, no indentation, UTF-8.
std::string SerializeXml(const pugi::xml_document& doc);

// How a document read from a file is written back so that its bytes and its
// declaration agree: in the encoding its mark or declaration gives when that
// holds every character of the game's text (UTF-8, UTF-16, UTF-32,
// Windows-1252; a declared ISO-8859-1 is written as the Windows-1252 the
// plug-in reads it as), else in UTF-8. UTF-16 and UTF-32 begin with their mark.
struct FileEncoding {
  enum Form { Utf8, Utf16Le, Utf16Be, Utf32Le, Utf32Be, Windows1252 };
  Form form = Utf8;
};
FileEncoding EncodingToWrite(std::string_view bytes);
// The document as file bytes in that encoding, without indentation; a
// declaration the document holds is made to name that encoding.
std::string SerializeXml(pugi::xml_document& doc, const FileEncoding& encoding);

// --- Values ------------------------------------------------------------------

// The text XML 1.0 can hold: control characters other than TAB, LF and CR become '?'.
std::string XmlSafe(std::string_view text);
const char* BoolText(bool value);
// A cell or data value as text: Booleans "True"/"False", numbers in a fixed
// locale-independent form, text unchanged, empty as "".
std::string VariantText(const platform::Variant& value);
// A double that reads back to the same value, "." as the decimal point.
std::string DoubleText(double value);
// A whole number from a cell (error 13 when it holds no number).
std::int32_t VariantLong(const platform::Variant& value);
// A check-box cell as text: "True"/"False", an empty cell "False".
std::string CheckText(const platform::Variant& value);

// --- Files -------------------------------------------------------------------

// A server or character name as part of a file name: only path separators
// and NUL are replaced, so ordinary names keep their files.
std::string FileNamePart(std::string_view name);

enum class LoadOutcome {
  Loaded,
  Missing,
  // Did not parse; moved aside as "<name>.corrupt" and the user told.
  Corrupt,
  // Exists but could not be read or moved aside: it is protected from saves.
  Unreadable,
  // No file of this name can exist (too long): told, and every save fails.
  NameTooLong,
};

// Loads an XML file into doc (see ParseXml). A file that does not parse is
// moved aside; one that cannot be read or moved is protected so no save
// overwrites it. A name too long for the file system is told, not guarded.
// bytes, when given, receives the file as read.
LoadOutcome LoadXmlFile(const std::filesystem::path& path, pugi::xml_document& doc,
                        unsigned options = pugi::parse_default, std::string* bytes = nullptr);

// Writes the bytes over the file in one atomic step, creating the folder when
// missing. Raises the writer's error (the old file is then intact), or 75 for
// a protected file or a name too long to save under. Before the first save after a load that found damaged
// values, the bytes as loaded are kept beside the file (KeepAsideBeforeSave).
void SaveXmlFile(const std::filesystem::path& path, std::string_view bytes);

// The file was loaded with values that could not be used: its bytes as loaded
// are copied to "<name>.damaged" (or the next free ".damaged.N") before the
// next save replaces it, and the user is told the copy's name; when one of
// those copies already holds the same bytes, it is enough. A load of the
// file that finds nothing damaged calls it with nothing to forget it.
void KeepAsideBeforeSave(const std::filesystem::path& path, std::optional<std::string> loadedBytes);
// The texts the last load of path had to repair (see ParseXml), forgotten
// once taken: the load's damage, kept aside with the rest of it.
TextRepairs TakeTextRepairs(const std::filesystem::path& path);
// Adds the repairs of texts of path read other than by LoadXmlFile (a file of
// lines parsed one by one), for its damage to take with the rest.
void AddTextRepairs(const std::filesystem::path& path, const TextRepairs& repairs);
// Makes that copy now when one is waiting, so its message comes before the
// save that follows a load. Raises when the copy cannot be written.
void SetAsideIfPending(const std::filesystem::path& path);

// Copies the bytes beside the file as "<name><suffix>" (or the next free
// "<suffix>.N"): the copy's name, an empty one when such a copy already held
// them, nothing when no name is free. Raises the writer's error.
std::optional<std::filesystem::path> CopyAside(const std::filesystem::path& path, const std::string& suffix,
                                               const std::string& bytes);

// The error of a copy that must be kept aside before the file is written
// and finds no free name.
[[noreturn]] void RaiseNoFreeAsideName(const std::filesystem::path& path);

// Moves the file to "<name><suffix>" (or the next free "<suffix>.N"); the
// name it got, nothing when it could not be moved.
std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& path, const std::string& suffix);

// Removes the temporaries that writes killed before their rename left beside
// the file, of it, of every other file of its kind (its extension) in its
// folder and of their ".damaged" copies (RemoveLeftoverTemporaries), the
// first time a file of that kind in that folder is read or written in a
// run; they would otherwise stay forever.
void SweepLeftoversOnce(const std::filesystem::path& path);

// Whether anything stands at the path (a dangling link counts): what a file
// that could not be read must be gone from before it may be written.
bool Exists(const std::filesystem::path& path);
// True while a file is protected because it could not be read and is still
// there; a file removed since is no longer protected.
bool IsProtected(const std::filesystem::path& path);
// Forgets protected files, pending copies and swept temporaries.
void ClearProtectedForTesting();

}  // namespace mellox::persistence
