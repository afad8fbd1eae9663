#include "chat/AliasHandler.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "chat/CellValue.h"
#include "chat/ChatCommands.h"
#include "core/Globals.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

bool StartsWithCommandMark(std::string_view text) {
  return !text.empty() && (text[0] == '/' || text[0] == '@');
}

bool IsLowerLetter(char c) { return c >= 'a' && c <= 'z'; }

// Whether the character at the index, lower-cased, is a word boundary: not a
// letter a to z, or outside the text.
bool BoundaryAt(const std::string& lowered, std::size_t index, bool inside) {
  return !inside || !IsLowerLetter(lowered[index]);
}

void SlashPass(const std::string& typed, const std::vector<AliasHandler::Alias>& aliases,
               AliasHandler::Expansion& out) {
  const std::string loweredLine = vb::LCase(typed + " ");
  for (const auto& alias : aliases) {
    const std::string& abbr = alias.abbreviation;
    if (!StartsWithCommandMark(abbr) || !alias.enabled) continue;
    // The prefix typed may be either mark; what follows the abbreviation
    // must not be a letter. A malformed pattern matches nothing.
    const std::string rest = vb::Mid(abbr, 2);
    if (!vb::Like(loweredLine, vb::LCase("[/@]" + rest + "[!a-z]*"))) continue;
    const std::string& full = alias.fullText;
    if (!full.empty() && full.back() == '_') {
      // Typed only: the whole abbreviation, mark included, is replaced, so
      // a line typed with the other mark keeps its text.
      out.line = vb::Replace(typed, abbr, vb::Left(full, static_cast<long>(full.size()) - 1), 1, 1, true);
      out.typedOnly = true;
    } else {
      // The mark the player typed stays; the full text's own is dropped.
      out.line = vb::Replace(typed, rest, vb::Mid(full, 2), 1, 1, true);
    }
    out.changed = true;
    return;
  }
}

void WordPass(const std::vector<AliasHandler::Alias>& aliases, AliasHandler::Expansion& out) {
  std::string line = " " + out.line + " ";
  for (const auto& alias : aliases) {
    if (!alias.enabled) continue;
    const std::string abbrLower = vb::LCase(alias.abbreviation);
    if (!vb::Like(abbrLower, "[!/@]*")) continue;
    std::string lowered = vb::LCase(line);
    if (!vb::Like(lowered, "*[!a-z]" + abbrLower + "[!a-z]*")) continue;
    const std::string& full = alias.fullText;
    const std::string fullLower = vb::LCase(full);
    const std::size_t len = abbrLower.size();
    std::size_t pos = lowered.find(abbrLower);
    while (pos != std::string::npos) {
      const bool before = BoundaryAt(lowered, pos - 1, pos > 0);
      const bool after = BoundaryAt(lowered, pos + len, pos + len < lowered.size());
      std::size_t next = pos + len;
      if (before && after) {
        // The search goes on after the inserted text, so a full text that
        // holds its own abbreviation is not expanded again.
        line.replace(pos, len, full);
        lowered.replace(pos, len, fullLower);
        next = pos + full.size();
      }
      pos = lowered.find(abbrLower, next);
    }
    out.changed = true;
  }
  out.line = vb::Trim(line);
}

}  // namespace

AliasHandler::Expansion AliasHandler::Expand(const std::string& typed, const std::vector<Alias>& aliases) {
  Expansion out;
  out.line = typed;
  if (StartsWithCommandMark(typed)) SlashPass(typed, aliases, out);
  WordPass(aliases, out);
  return out;
}

std::vector<AliasHandler::Alias> AliasHandler::ReadAliases() {
  if (!ControlHandlerInstance) Raise(91);
  platform::ListControl& list = *ControlHandlerInstance->ChatAlias;
  std::vector<Alias> aliases;
  const std::int32_t rows = list.Count();
  for (std::int32_t r = 0; r < rows; ++r) {
    Alias& alias = aliases.emplace_back();
    alias.enabled = CellBool(list.DataGet(0, r, 0));
    alias.abbreviation = CellText(list.DataGet(1, r, 0));
    alias.fullText = CellText(list.DataGet(2, r, 0));
  }
  return aliases;
}

bool AliasHandler::Apply(const std::string& typed) {
  const Expansion expansion = Expand(typed, ReadAliases());
  if (!expansion.changed) return true;
  // Exact case: "/X loc" is not run as a command but handed to the game.
  if (vb::Like(expansion.line, "[/@]x *")) {
    ChatCommands::OutgoingText(expansion.line);
  } else if (expansion.typedOnly) {
    ChatCommands::TypeIntoChatBar(expansion.line);
  } else {
    ChatCommands::SendToGame(expansion.line);
  }
  return false;
}

}  // namespace mellox
