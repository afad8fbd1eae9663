// Reads docs/SESSION-REFERENCE.md, the script writer's reference, so tests can
// hold it to the view description and the code it describes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace mellox::test {

inline std::filesystem::path SourceDir() { return std::filesystem::path(MELLOX_DATA_DIR).parent_path(); }

inline std::string ReadSourceFile(const std::filesystem::path& relative) {
  std::ifstream in(SourceDir() / relative, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The lines under a heading (written in full, "## Lists"), up to the next
// heading of the same or a higher level; empty when the heading is absent.
inline std::vector<std::string> Section(const std::vector<std::string>& lines, const std::string& heading) {
  const std::size_t level = heading.find(' ');
  std::vector<std::string> out;
  bool inside = false;
  for (const std::string& line : lines) {
    if (inside) {
      const std::size_t hashes = line.find_first_not_of('#');
      if (hashes != 0 && hashes != std::string::npos && hashes <= level && line[hashes] == ' ') break;
      out.push_back(line);
    } else if (line == heading) {
      inside = true;
    }
  }
  return out;
}

// A Markdown table: its header cells and body rows, cells trimmed.
struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

inline std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  // "\|" is a bar inside a cell.
  for (std::size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '|') {
      cell += '|';
      ++i;
    } else if (line[i] == '|') {
      const std::size_t b = cell.find_first_not_of(' ');
      const std::size_t e = cell.find_last_not_of(' ');
      cells.push_back(b == std::string::npos ? std::string() : cell.substr(b, e - b + 1));
      cell.clear();
    } else {
      cell += line[i];
    }
  }
  return cells;
}

inline std::vector<Table> Tables(const std::vector<std::string>& lines) {
  std::vector<Table> tables;
  bool open = false;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] != '|') {
      open = false;
      continue;
    }
    if (!open) {
      tables.push_back({Cells(line), {}});
      open = true;
    } else if (line.rfind("|---", 0) != 0) {
      tables.back().rows.push_back(Cells(line));
    }
  }
  return tables;
}

// "`Name`" -> "Name".
inline std::string Unquoted(const std::string& cell) {
  if (cell.size() >= 2 && cell.front() == '`' && cell.back() == '`') return cell.substr(1, cell.size() - 2);
  return cell;
}

// Every word of the code spans in the lines, split at ".", "=" and blanks.
inline std::set<std::string> CodeWords(const std::vector<std::string>& lines) {
  std::set<std::string> words;
  for (const std::string& line : lines) {
    std::size_t open = line.find('`');
    while (open != std::string::npos) {
      const std::size_t close = line.find('`', open + 1);
      if (close == std::string::npos) break;
      std::string word;
      for (std::size_t i = open + 1; i <= close; ++i) {
        const char c = line[i];
        if (c == '.' || c == '=' || c == ' ' || c == '`') {
          if (!word.empty()) words.insert(word);
          word.clear();
        } else {
          word += c;
        }
      }
      open = line.find('`', close + 1);
    }
  }
  return words;
}

// Each entry the code or the view has must be written alike in the reference,
// and the reference must hold no other.
template <class Map>
void ExpectReferenceHolds(const Map& written, const Map& actual, const std::string& what) {
  for (const auto& [key, value] : actual) {
    const auto it = written.find(key);
    if (it == written.end()) {
      ADD_FAILURE() << what << " " << ::testing::PrintToString(key) << " is missing from the reference";
    } else if (!(it->second == value)) {
      ADD_FAILURE() << what << " " << ::testing::PrintToString(key) << " is " << ::testing::PrintToString(value)
                    << ", the reference says " << ::testing::PrintToString(it->second);
    }
  }
  for (const auto& [key, value] : written) {
    if (!actual.count(key)) ADD_FAILURE() << "the reference names " << what << " " << ::testing::PrintToString(key) << ", which is not there";
  }
}

inline std::vector<std::string> SessionReference() { return Lines(ReadSourceFile("docs/SESSION-REFERENCE.md")); }

}  // namespace mellox::test
