#include "sim/SimSpells.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sim/SimSpell.h"

namespace mellox::sim {

namespace {
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::vector<std::string> SplitBar(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = line.find('|', start);
    out.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) return out;
    start = bar + 1;
  }
}

std::int32_t Int(const std::string& s) { return static_cast<std::int32_t>(std::strtol(s.c_str(), nullptr, 10)); }
double Real(const std::string& s) { return std::strtod(s.c_str(), nullptr); }
bool Truth(const std::string& s) {
  const std::string l = Lower(s);
  return l == "1" || l == "true" || l == "-1";
}
}  // namespace

std::shared_ptr<platform::Spell> SimSpells::SpellById(std::int32_t id) {
  auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : it->second;
}

std::shared_ptr<platform::Spell> SimSpells::SpellByName(const std::string& name) {
  auto it = byName_.find(Lower(name));
  return it == byName_.end() ? nullptr : it->second;
}

void SimSpells::Add(const SpellRow& row) {
  auto spell = std::make_shared<SimSpell>(row);
  if (auto old = byId_.find(row.id); old != byId_.end()) byName_.erase(Lower(old->second->Row().name));
  byId_[row.id] = spell;
  byName_.emplace(Lower(row.name), spell);  // the first spell of a name wins
}

bool SimSpells::Load(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    byId_.clear();
    byName_.clear();
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return LoadText(text.str());
}

bool SimSpells::LoadText(const std::string& text) {
  byId_.clear();
  byName_.clear();
  std::istringstream in(text);
  std::string line;
  std::map<std::string, std::size_t> column;
  bool header = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const auto cells = SplitBar(line);
    if (!header) {
      for (std::size_t i = 0; i < cells.size(); ++i) column[Lower(cells[i])] = i;
      if (!column.count("id") || !column.count("name")) return false;
      header = true;
      continue;
    }
    if (cells.size() < column.size()) continue;
    auto cell = [&](const char* name) -> std::string {
      auto it = column.find(name);
      return it == column.end() ? std::string() : cells[it->second];
    };
    SpellRow r;
    r.id = Int(cell("id"));
    r.name = cell("name");
    r.description = cell("description");
    r.diff = Int(cell("diff"));
    r.icon = Int(cell("icon"));
    r.school = Int(cell("school"));
    r.type = Int(cell("type"));
    r.duration = Real(cell("duration"));
    r.effect = Int(cell("effect"));
    r.effectOnCaster = Int(cell("effectoncaster"));
    r.effectOnTarget = Int(cell("effectontarget"));
    r.speed = static_cast<float>(Real(cell("speed")));
    r.version = Int(cell("version"));
    r.flags = Int(cell("flags"));
    r.sortOrder = Int(cell("sortorder"));
    r.targetMask = Int(cell("targetmask"));
    r.componentCount = Int(cell("componentcount"));
    r.manaCost = Int(cell("manacost"));
    r.rangeBase = static_cast<float>(Real(cell("rangebase")));
    r.rangeModifier = static_cast<float>(Real(cell("rangemodifier")));
    r.researchable = Truth(cell("researchable"));
    Add(r);
  }
  return header;
}

}  // namespace mellox::sim
