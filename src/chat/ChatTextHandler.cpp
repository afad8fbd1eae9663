#include "chat/ChatTextHandler.h"

#include <string_view>

#include "chat/CellValue.h"
#include "chat/ChatCommands.h"
#include "chat/LogHandler.h"
#include "chat/PeaNames.h"
#include "chat/ReportCommands.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "persistence/PersistenceLinks.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "ChatTextHandler";

struct ChatTypeRow {
  const char* pattern;
  const char* rowName;
  std::int32_t chatType;
};

// Tried in this order; the first row whose chat colour row is ticked wins, so
// "Your Crits" must stay ahead of "Enemy Crits" and "0 Damage Hits" ahead of
// the catch-all melee rows.
constexpr ChatTypeRow kChatTypeRows[] = {
    {"<Mellox>*", "Mellox", 32},
    {"[[]General] *", "General Chat", 27},
    {"[[]Trade] *", "Trade Chat", 28},
    {"You say,*", "Spellwords", 17},
    {"*says,*", "Spellwords", 17},
    {"You resist*", "Your Resists", 7},
    {"You cast*", "Your Spells", 7},
    {"*cast*", "Other Spells", 7},
    {"You * for * with *", "Your War Combat", 7},
    {"* you for * with *", "Enemy War Combat", 7},
    {"Your spell fizzled*", "Your Spells", 7},
    {"The spell consumed*", "Comp Burn", 7},
    {"Critical hit!*You*", "Your Crits", 22},
    {"Critical hit!*You*", "Your Crits", 7},
    {"Critical hit!*", "Enemy Crits", 21},
    {"Critical hit!*", "Enemy Crits", 7},
    {"You evaded*", "Your Evades", 21},
    {"*evaded your attack.", "Enemy Evades", 22},
    {"*for 0 points*", "0 Damage Hits", 21},
    {"*for 0 points*", "0 Damage Hits", 22},
    {"*", "Your Melee Combat", 22},
    {"*", "Enemy Melee Combat", 21},
    {"_KILL_", "Kill Message", 0},
    {"_NPC_", "NPC Tell", 3},
    {"You tell*", "Tells Out", 4},
    {"*tells you*", "Tells In", 3},
    {"You say,*", "Open Chat Out", 2},
    {"*says,*", "Open Chat In", 2},
    {"[[]Fellowship] You say, *", "Fellowship Out", 19},
    {"[[]Fellowship] * says, *", "Fellowship In", 19},
    {"You say to your Patron,*", "Patron Out", 11},
    {"Your patron*", "Patron In", 10},
    {"You say to your Vassals,*", "Vassal Out", 11},
    {"Your vassal *", "Vassal In", 10},
    {"[[]Co-Vassals] You say, *", "Covassal Out", 10},
    {"[[]Co-Vassals] * says, *", "Covassal In", 10},
    {"*", "Allegiance Chat", 18},
    {"_EXPIRE_", "Spell Expiration", 7},
    {"*", "Emotes", 12},
    {"*is recalling*", "Recalls", 23},
    {"*is going to*", "Recalls", 23},
    {"Your experience has reduced your Vitae penalty!*", "Vitae", 7},
    {"[[]LFG] *", "LFG Chat", 29},
    {"[[]Roleplay] *", "Roleplay Chat", 30},
};

struct ChatColorEntry {
  const char* name;
  std::int32_t code;
  std::int32_t icon;
};

constexpr ChatColorEntry kChatColorTable[] = {
    {"White", 2, 101},      {"Grey", 12, 102},      {"Red", 21, 103},        {"Light Red", 22, 104},
    {"Blue", 7, 105},       {"Light Blue", 14, 106}, {"Turquoise", 13, 107}, {"Green", 0, 108},
    {"Yellow", 10, 109},    {"Dark Yellow", 4, 110}, {"Purple", 5, 111},     {"Pink", 8, 112},
    {"Orange", 18, 113},    {"Default", -1, 114},
};

constexpr const char* kTellMarkupOpen = "<Tell:IIDString:";
constexpr const char* kTellMarkupClose = "<\\Tell>";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool IsLowerLetter(char c) { return c >= 'a' && c <= 'z'; }

FilterHandler& Filter() {
  if (!FilterHandlerInstance) Raise(91);
  return *FilterHandlerInstance;
}

ControlHandler& Controls() {
  if (!ControlHandlerInstance) Raise(91);
  return *ControlHandlerInstance;
}

void Write(const std::string& text, std::int32_t colour, std::int32_t window) {
  Filter().WriteToChatWindow(text, colour, window);
}

// Restores a flag when the scope ends, also by an error.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = old_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

}  // namespace

ChatTextHandler::ChatTextHandler() : colorNames_(std::size(kChatTypeRows)) {
  Trap("Class_Initialize", kClass, [&] {
    Hub::wtcw_debug("Chat Text Init");
    chatTypeTable_.clear();
    TimeSpells = platform::Sys().CreateTimer();
    timeSpellsEvent_ = TimeSpells->Timeout.Connect([this] { TimeSpells_Timeout(); });
    TimeCast = platform::Sys().CreateTimer();
    timeCastEvent_ = TimeCast->Timeout.Connect([this] { TimeCast_Timeout(); });
    for (auto& window : TargetList) window.fill(false);
    for (const auto& row : kChatTypeRows) AddChatItem(row.pattern, row.rowName, row.chatType);
  });
  Links().SetTargetList = [this](std::int16_t window, std::int16_t chatType, bool enabled) {
    SetTargetList(window, chatType, enabled);
  };
}

void ChatTextHandler::ResetForLogin() {
  login_ = {};
  TimeSpells->Stop();
  TimeCast->Stop();
}

ChatTextHandler::~ChatTextHandler() {
  Links().SetTargetList = nullptr;
  Trap("Class_Terminate", kClass, [&] {
    Hub::wtcw_debug("Chat Text Terminate");
    if (TimeSpells) TimeSpells->Stop();
    if (TimeCast) TimeCast->Stop();
  });
  timeSpellsEvent_.Disconnect();
  timeCastEvent_.Disconnect();
  TimeSpells.reset();
  TimeCast.reset();
  login_ = {};
  chatTypeTable_.clear();
  chatTypePatterns_.clear();
}

void ChatTextHandler::AddChatItem(const std::string& pattern, const std::string& rowName, std::int32_t chatType) {
  Trap("AddChatItem", kClass, [&] {
    chatTypeTable_.emplace_back(pattern, rowName, chatType);
    chatTypePatterns_.emplace_back(pattern);
  });
}

// --- Routing table -------------------------------------------------------------

void ChatTextHandler::ResetTargetList() {
  Trap("ResetTargetList", kClass, [&] {
    for (auto& window : TargetList) {
      for (std::int32_t type = 0; type < kOwnLineType; ++type) window[static_cast<std::size_t>(type)] = false;
    }
    TargetListCount = 0;
  });
}

void ChatTextHandler::SetTargetList(std::int16_t window, std::int16_t chatType, bool enabled) {
  if (window < 0 || window >= kWindowCount || chatType < 0 || chatType >= kRoutedTypeCount) Raise(9);
  TargetList[static_cast<std::size_t>(window)][static_cast<std::size_t>(chatType)] = enabled;
  ++TargetListCount;
}

bool ChatTextHandler::GetTargetList(std::int16_t window, std::int16_t chatType) {
  bool result = false;
  Trap("GetTargetList", kClass, [&] {
    if (window < 0 || window >= kWindowCount || chatType < 0 || chatType >= kRoutedTypeCount) Raise(9);
    result = TargetList[static_cast<std::size_t>(window)][static_cast<std::size_t>(chatType)];
  });
  return result;
}

void ChatTextHandler::WriteError(const std::string& text) {
  Trap("WriteError", kClass, [&] {
    for (std::int32_t i = 0; i < kWindowCount; ++i) {
      if (TargetList[static_cast<std::size_t>(i)][26]) Write(text, 6, i + 1);
    }
  });
}

// --- Colour names ------------------------------------------------------------

std::int32_t ChatTextHandler::ConvertColor(const std::string& colorName) {
  for (const auto& entry : kChatColorTable) {
    if (colorName == entry.name) return entry.code;
  }
  return 2;
}

std::int32_t ChatTextHandler::GetIconFromColor(const std::string& colorName) {
  for (const auto& entry : kChatColorTable) {
    if (colorName == entry.name) return entry.icon;
  }
  return 101;
}

std::string ChatTextHandler::GetColorFromIcon(std::int32_t icon) {
  for (const auto& entry : kChatColorTable) {
    if (entry.code != -1 && icon == entry.icon) return entry.name;
  }
  return "Default";
}

void ChatTextHandler::ColorsTest() {
  Trap("ColorsTest", kClass, [&] {
    for (std::int32_t n = 0; n <= 40; ++n) Write("This is color " + std::to_string(n), n, 0);
  });
}

void ChatTextHandler::Colors() {
  Trap("Colors", kClass, [&] {
    for (std::int32_t n = 0; n <= 40; ++n) Write("This is color " + std::to_string(n), n, 1);
  });
}

void ChatTextHandler::ChatColors() {
  Trap("ChatColors", kClass, [&] {
    auto& choice = *Controls().ChatColorColor;
    for (std::int32_t i = 1; i < choice.ChoiceCount(); ++i) {
      IncomingText("This is the color " + choice.TextGet(i), CellLong(choice.DataGet(i)), 1, true, false);
    }
  });
}

// --- Classification ------------------------------------------------------------

std::optional<ChatTextHandler::Classification> ChatTextHandler::Classify(const std::string& text,
                                                                         std::int32_t chatType, bool killFlag,
                                                                         bool expireFlag, bool npcFlag) {
  auto& controls = Controls();
  for (std::size_t i = 0; i < chatTypeTable_.size(); ++i) {
    const ChatListItem& row = chatTypeTable_[i];
    const std::string& pattern = row.TextIn();
    bool match = (killFlag && pattern == "_KILL_") || (expireFlag && pattern == "_EXPIRE_") ||
                 (npcFlag && pattern == "_NPC_");
    if (!match && row.color() == chatType) match = chatTypePatterns_[i].Match(text);
    if (!match) continue;
    const std::int32_t colorRow = colorNames_.Row(controls, controls.ChatColor.get(), "ChatColor", i, row.ListID());
    if (colorRow < 0) Raise(9);
    if (colorNames_.Flag(*controls.ChatColor, 0, colorRow)) return Classification{i, colorRow};
  }
  return std::nullopt;
}

// --- The incoming pipeline -------------------------------------------------------

bool ChatTextHandler::IncomingText(const std::string& text, std::int32_t chatType, std::int32_t window,
                                   bool internal, bool external) {
  Line line;
  line.text = text;
  line.chatType = chatType;
  line.window = window;
  line.internal = internal;
  line.external = external;
  return Incoming(line);
}

bool ChatTextHandler::Incoming(Line& line) {
  // Rule actions inject lines that may match their own rule again: such a
  // chain is cut here and told once per outermost line.
  if (depth_ >= kMaxLineNesting) {
    if (!cutReported_) {
      cutReported_ = true;
      Hub::LogError("IncomingText", kClass, 28,
                    "Chat rule actions injected lines nested too deeply; dropped: " + line.text);
    }
    return false;
  }
  ++depth_;
  try {
    RunStages(line);
  } catch (...) {
    if (!reportingError_) {
      FlagScope reporting(reportingError_);
      Trap("IncomingText", kClass, [] { throw; });
    }
  }
  if (--depth_ == 0) cutReported_ = false;
  return line.ShowLine;
}

void ChatTextHandler::RunStages(Line& line) {
  // 1. Start.
  line.ShowLine = true;
  line.KillFlag = false;
  line.NpcFlag = false;
  line.PlusLine = StartsWith(line.text, "+");

  // 2. Zone entry lines are hidden even before login completes.
  if (line.chatType == 0 && StartsWith(line.text, "You have entered")) {
    line.ShowLine = false;
    return;
  }
  // 3.
  if (!PluginActive) return;

  // 4.
  line.LogText = line.text;
  line.LineColour = line.chatType;
  if (line.external) line.chatType = kExternalLineType;

  // 5. - 10.
  if (!TempleGuardianLine(line) || !RareDiscoveryLine(line) || !CorpseLines(line) || !FriendsLines(line) ||
      !LowManaLine(line) || !LevelLines(line)) {
    line.ShowLine = false;
    return;
  }
  // 11.
  if (!line.PlusLine && !WordFilter(line)) {
    line.ShowLine = false;
    return;
  }
  // 12. - 16.
  if (!VitaeLine(line) || !ComponentBurnLine(line) || !SpellExpiryLine(line) || !OwnCastLine(line) ||
      !ItemSpellCastLine(line)) {
    line.ShowLine = false;
    return;
  }
  // 17.
  KillLine(line);
  // 18.
  if (line.chatType == 3) line.NpcFlag = true;
  // 19.
  TellMarkup(line);
  // 20. Shown, not logged: PlainText is already taken.
  if (ShowChatTypes) {
    line.LogText += " [" + std::to_string(line.chatType) + "]";
    line.internal = true;
  }
  // 21., 22.
  CustomRules(line);
  if (!line.RuleWritten && !line.RuleBlocked) ColorRule(line);
  // 23. - 25.
  FinalWrite(line);
  LogLine(line);
  AutoResponse(line);
  // 26. ExpireFlag belongs to this call and ends with it.
}

bool ChatTextHandler::ChatOption(const char* rowName) {
  auto& controls = Controls();
  const std::int32_t row = optionRows_.Row(controls, controls.ChatOptions.get(), "ChatOptions", rowName);
  return optionRows_.Flag(*controls.ChatOptions, 0, row);
}

// The event-line stages are in ChatEventLines.cpp, the spell-line stages and
// the two burst timers in ChatSpellLines.cpp.

void ChatTextHandler::KillLine(Line& line) {
  // An empty kill message would be contained in every line.
  if (KillMessageText.empty() || line.text.find(KillMessageText) == std::string::npos) return;
  AddKillDetails(line);
  line.KillFlag = true;
  line.internal = true;
}

void ChatTextHandler::TellMarkup(Line& line) {
  line.PlainText = line.LogText;
  if (line.chatType >= kOwnLineType) return;
  const long start = vb::InStr(line.LogText, kTellMarkupOpen);
  if (start == 0) return;
  // The link's opening tag ends at the first ">" after its start; a ">"
  // earlier in the line belongs to the text.
  const long close = vb::InStr(start, line.LogText, ">");
  if (close == 0) return;
  const std::string rest = vb::Replace(line.LogText, kTellMarkupClose, "", 1, 1);
  long tail = static_cast<long>(rest.size()) - close;
  if (tail < 0) tail = 0;
  line.PlainText = vb::Left(rest, start - 1) + vb::Right(rest, tail);
  if (ChatOption("No Clickable Names")) {
    line.LogText = line.PlainText;
    line.internal = true;
  }
  if (line.chatType == 3) line.NpcFlag = false;
}

namespace {

bool HasWildcard(const std::string& word) { return word.find_first_of("*?#[") != std::string::npos; }

// The bytes of a text, worked out when first asked for.
class LazyBytes {
 public:
  explicit LazyBytes(const std::string& text) : text_(&text) {}
  const vb::TextBytes& Get() {
    if (!bytes_) bytes_.emplace(*text_);
    return *bytes_;
  }
  // The text changed.
  void Reset() { bytes_.reset(); }

 private:
  const std::string* text_;
  std::optional<vb::TextBytes> bytes_;
};

// Whether the padded, lower-cased text holds the word with a character other
// than a to z on both sides. Words with wildcard characters go through their
// Like pattern ("*[!a-z]" word "[!a-z]*"), where those characters keep their
// wildcard meaning.
bool HasWholeWord(const std::string& paddedLower, LazyBytes& paddedBytes, const std::string& word,
                  const vb::LiteralSearch& search, const std::optional<vb::LikePattern>& wildcardPattern) {
  if (wildcardPattern) return wildcardPattern->Match(paddedLower, paddedBytes.Get());
  if (!search.MayOccurIn(paddedBytes.Get())) return false;
  for (std::size_t pos = search.Find(paddedLower); pos != std::string::npos; pos = search.Find(paddedLower, pos + 1)) {
    if (pos == 0 || pos + word.size() >= paddedLower.size()) continue;
    if (!IsLowerLetter(paddedLower[pos - 1]) && !IsLowerLetter(paddedLower[pos + word.size()])) return true;
  }
  return false;
}

// " " + LCase(text) + " ", built in one go.
std::string PaddedLower(const std::string& text) {
  static const std::array<char, 256> kLower = [] {
    std::array<char, 256> table{};
    for (std::size_t c = 0; c < table.size(); ++c) table[c] = vb::LowerChar(static_cast<char>(c));
    return table;
  }();
  std::string padded(text.size() + 2, ' ');
  for (std::size_t i = 0; i < text.size(); ++i) padded[i + 1] = kLower[static_cast<unsigned char>(text[i])];
  return padded;
}

}  // namespace

void ChatTextHandler::RefreshFilterRows(platform::ListControl& list) {
  if (!filterKey_.Current(list)) {
    filterRows_.clear();
    const std::int32_t count = list.Count();
    for (std::int32_t r = 0; r < count; ++r) {
      FilterRow& parsed = filterRows_.emplace_back();
      parsed.enabled = Cached<bool>::Read([&] { return CellBool(list.DataGet(0, r, 0)); });
      parsed.word = Cached<std::string>::Read([&] { return vb::LCase(vb::Trim(CellText(list.DataGet(1, r, 0)))); });
      parsed.whole = Cached<bool>::Read([&] { return CellText(list.DataGet(2, r, 0)) == "Whole"; });
      parsed.block = Cached<bool>::Read([&] { return CellText(list.DataGet(3, r, 0)) == "Block"; });
      if (parsed.word.Ok()) {
        parsed.wordSearch = vb::LiteralSearch(parsed.word.Get());
        if (HasWildcard(parsed.word.Get())) parsed.wholePattern.emplace("*[!a-z]" + parsed.word.Get() + "[!a-z]*");
      }
    }
    filterKey_.Take(list);
  }
}

const ChatTextHandler::FilterRow& ChatTextHandler::FilterRowAt(std::int32_t row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= filterRows_.size()) Raise(9);
  return filterRows_[static_cast<std::size_t>(row)];
}

bool ChatTextHandler::WordFilter(Line& line) {
  auto& list = *Controls().ChatFilter;
  const std::int32_t rows = list.Count();
  // The lower-cased text, padded with one blank each side, kept in step with LogText.
  std::string padded = PaddedLower(line.LogText);
  LazyBytes paddedBytes(padded);
  RefreshFilterRows(list);
  for (std::int32_t r = 0; r < rows; ++r) {
    const FilterRow& row = FilterRowAt(r);
    if (!row.enabled.Get()) continue;
    // An empty word would match everywhere (and look before the text).
    if (row.word.Get().empty()) continue;
    const bool whole = row.whole.Get();
    if (whole) {
      if (!HasWholeWord(padded, paddedBytes, row.word.Get(), row.wordSearch, row.wholePattern)) continue;
    } else {
      if (!row.wordSearch.MayOccurIn(paddedBytes.Get()) || row.wordSearch.Find(padded) == std::string::npos) continue;
    }
    // Matched: what follows may run other code, so the row is not used again.
    const std::string word = row.word.Get();
    const std::size_t len = word.size();
    if (whole) {
      Hub::wtcw_debug("Chat Filtered " + line.LogText);
      RefreshFilterRows(list);
      if (FilterRowAt(r).block.Get()) return false;
      line.LogText.insert(line.LogText.begin(), ' ');
      line.LogText.push_back(' ');
      std::string lower = padded;
      std::size_t pos = lower.find(word);
      while (pos != std::string::npos) {
        const bool before = pos > 0 && IsLowerLetter(lower[pos - 1]);
        const bool after = pos + len < lower.size() && IsLowerLetter(lower[pos + len]);
        if (!before && !after) {
          line.LogText.replace(pos, len, len, '#');
          lower.replace(pos, len, len, '#');
          line.internal = true;
        }
        pos = lower.find(word, pos + len);
      }
      line.LogText = vb::Trim(line.LogText);
    } else {
      Hub::wtcw_debug("Chat Filtered " + line.LogText);
      RefreshFilterRows(list);
      if (FilterRowAt(r).block.Get()) return false;
      line.LogText = vb::Replace(line.LogText, word, std::string(len, '#'), 1, -1, true);
      line.internal = true;
    }
    padded = PaddedLower(line.LogText);
    paddedBytes.Reset();
  }
  return true;
}

void ChatTextHandler::WriteRouted(const Line& line, std::int32_t routeType, std::int32_t colour) {
  if (routeType < 0 || routeType >= kRoutedTypeCount) {
    // Lines from other plug-ins have no routing of their own.
    Write(line.LogText, colour, line.window);
    return;
  }
  for (std::int32_t i = 0; i < kWindowCount; ++i) {
    if (TargetList[static_cast<std::size_t>(i)][static_cast<std::size_t>(routeType)]) {
      Write(line.LogText, colour, i + 1);
    }
  }
}

std::int32_t ChatTextHandler::RefreshCustomRows(platform::ListControl& list) {
  if (!customKey_.Current(list)) {
    customRows_.clear();
    const std::int32_t count = list.Count();
    for (std::int32_t r = 0; r < count; ++r) {
      CustomRow& parsed = customRows_.emplace_back();
      parsed.enabled = Cached<bool>::Read([&] { return CellBool(list.DataGet(0, r, 0)); });
      parsed.type = Cached<std::string>::Read([&] { return CellText(list.DataGet(3, r, 0)); });
      if (parsed.type.Ok()) {
        const std::string& type = parsed.type.Get();
        parsed.typeAll = type == "All";
        parsed.typeMX = type == "MX";
        parsed.typeNumber = Cached<std::optional<double>>::Read(
            [&]() -> std::optional<double> { return vb::IsNumeric(type) ? std::optional(vb::CDbl(type)) : std::nullopt; });
      }
      parsed.pattern = Cached<std::string>::Read([&] { return CellText(list.DataGet(1, r, 0)); });
      if (parsed.pattern.Ok()) parsed.compiled = vb::LikePattern(parsed.pattern.Get());
      parsed.colourName = Cached<std::string>::Read([&] { return GetColorFromIcon(CellLong(list.DataGet(4, r, 1))); });
      parsed.window = Cached<std::string>::Read([&] { return CellText(list.DataGet(2, r, 0)); });
      parsed.sound = Cached<std::string>::Read([&] { return CellText(list.DataGet(5, r, 0)); });
      parsed.actions = Cached<std::string>::Read([&] { return CellText(list.DataGet(6, r, 0)); });
    }
    customKey_.Take(list);
  }
  return static_cast<std::int32_t>(customRows_.size());
}

const ChatTextHandler::CustomRow& ChatTextHandler::CustomRowAt(std::int32_t row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= customRows_.size()) Raise(9);
  return customRows_[static_cast<std::size_t>(row)];
}

void ChatTextHandler::CustomRules(Line& line) {
  auto& list = *Controls().ChatCustom;
  static constexpr std::pair<char, std::int32_t> kWindowLetters[] = {{'m', 1}, {'1', 2}, {'2', 3}, {'3', 4}, {'4', 5}};
  std::int32_t count = RefreshCustomRows(list);
  LazyBytes textBytes(line.LogText);
  for (std::int32_t r = 0; r < count; ++r) {
    const CustomRow& row = CustomRowAt(r);
    if (!row.enabled.Get()) continue;
    row.type.Get();  // raises as reading the cell would
    const bool typeMatch = row.typeAll || (row.typeMX && line.chatType == kOwnLineType) ||
                           (row.typeNumber.Get() && *row.typeNumber.Get() == static_cast<double>(line.chatType));
    if (!typeMatch) continue;
    const std::string& pattern = row.pattern.Get();
    // A malformed pattern matches nothing.
    if (!row.compiled.Match(line.LogText, textBytes.Get())) continue;

    // Matched: what follows may run other code.
    Hub::wtcw_debug("Custom Rule Match " + pattern);
    RefreshCustomRows(list);
    const std::string colourName = CustomRowAt(r).colourName.Get();
    const std::string windowCell = CustomRowAt(r).window.Get();
    if (colourName == "Default" && windowCell == "B") {
      line.ShowLine = false;
      line.RuleBlocked = true;
    } else {
      line.LineColour = ConvertColor(colourName);
      if (line.LineColour == -1) line.LineColour = line.chatType == kOwnLineType ? 5 : line.chatType;
      if (windowCell.empty() || windowCell == "D") WriteRouted(line, line.chatType, line.LineColour);
      const std::string lowered = vb::LCase(windowCell);
      for (const auto& [letter, target] : kWindowLetters) {
        if (lowered.find(letter) != std::string::npos) Write(line.LogText, line.LineColour, target);
      }
      line.RuleWritten = true;
      line.PlusLine = false;
      line.ShowLine = false;
    }

    RefreshCustomRows(list);
    const std::string sound = CustomRowAt(r).sound.Get();
    if (!line.PlusLine && sound != "None") Hub::PlayWavFile(sound);

    RefreshCustomRows(list);
    const std::string actions = CustomRowAt(r).actions.Get();
    if (!actions.empty()) {
      for (const std::string& piece : vb::Split(actions, ";")) RunAction(vb::Trim(piece));
    }
    if (line.RuleWritten) break;
    count = RefreshCustomRows(list);
    textBytes.Reset();
  }
}

void ChatTextHandler::RunAction(const std::string& piece) {
  if (StartsWith(piece, "[]")) {
    IncomingText(piece.substr(2), kOwnLineType, 1, true, false);
    return;
  }
  if (!StartsWith(piece, "[")) {
    Filter().SendCommand(piece);
    return;
  }
  const std::vector<std::string> parts = vb::Split(piece.substr(1), "]");
  // "[" without a "]" is a broken action: the line ends with an error report.
  if (parts.size() < 2) Raise(9);
  const std::vector<std::string> spec = vb::Split(parts[0], ",");
  double colour = vb::IsNumeric(spec[0]) ? vb::CDbl(spec[0]) : 32;
  if (colour < 0 || colour > 32) colour = 32;
  std::int32_t window = 1;
  if (spec.size() == 2) {
    double w = vb::IsNumeric(spec[1]) ? vb::CDbl(spec[1]) : 0;
    if (w < 0 || w > 4) w = 0;
    window = vb::CLng(w) + 1;
  }
  IncomingText(parts[1], vb::CLng(colour), window, true, false);
}

const ChatTextHandler::ColorRow& ChatTextHandler::ColorRowAt(platform::ListControl& list, std::int32_t row) {
  if (!colorKey_.Current(list)) {
    colorRows_.clear();
    const std::int32_t count = list.Count();
    for (std::int32_t r = 0; r < count; ++r) {
      ColorRow& parsed = colorRows_.emplace_back();
      parsed.colourName = Cached<std::string>::Read([&] { return GetColorFromIcon(CellLong(list.DataGet(3, r, 1))); });
      parsed.window = Cached<std::string>::Read([&] { return CellText(list.DataGet(2, r, 0)); });
      parsed.sound = Cached<std::string>::Read([&] { return CellText(list.DataGet(4, r, 0)); });
    }
    colorKey_.Take(list);
  }
  if (row < 0 || static_cast<std::size_t>(row) >= colorRows_.size()) Raise(9);
  return colorRows_[static_cast<std::size_t>(row)];
}

void ChatTextHandler::ColorRule(Line& line) {
  const auto found = Classify(line.text, line.chatType, line.KillFlag, line.ExpireFlag, line.NpcFlag);
  if (!found) return;
  auto& list = *Controls().ChatColor;
  const std::int32_t r = found->colorRow;
  Hub::wtcw_debug("Rule Match " + chatTypeTable_[found->tableRow].ListID());
  const std::string colourName = ColorRowAt(list, r).colourName.Get();
  const std::string windowCell = ColorRowAt(list, r).window.Get();
  if (windowCell == "B") {
    line.ShowLine = false;
    line.RuleBlocked = true;
    return;
  }
  if (!(colourName == "Default" && windowCell == "D")) {
    const std::int32_t code = ConvertColor(colourName);
    line.LineColour = code == -1 ? line.chatType : code;
    if (windowCell == "D") {
      WriteRouted(line, line.chatType, line.LineColour);
    } else {
      std::int32_t target = 0;
      if (windowCell == "M") {
        target = 1;
      } else if (windowCell == "1") {
        target = 2;
      } else if (windowCell == "2") {
        target = 3;
      } else if (windowCell == "3") {
        target = 4;
      } else if (windowCell == "4") {
        target = 5;
      }
      Write(line.LogText, line.LineColour, target);
    }
    line.ShowLine = false;
    line.RuleWritten = true;
    line.PlusLine = false;
  }
  const std::string sound = ColorRowAt(list, r).sound.Get();
  if (!line.PlusLine && sound != "None") Hub::PlayWavFile(sound);
}

void ChatTextHandler::FinalWrite(Line& line) {
  if (!(line.PlusLine || (line.internal && !line.RuleWritten && !line.RuleBlocked))) return;
  if (line.chatType != kOwnLineType) {
    Write(line.LogText, line.LineColour, line.window);
  } else {
    line.LineColour = 5;
    WriteRouted(line, kOwnLineType, 5);
  }
  line.ShowLine = false;
  line.RuleWritten = true;
}

void ChatTextHandler::LogLine(Line& line) {
  if (!(line.ShowLine || line.RuleWritten)) return;
  if (!LogHandlerInstance) return;
  auto& controls = Controls();
  // Daily move of a by-date log to today's file, only for names the
  // automatic logging made (server_character_...).
  if (controls.ChatLogAuto->CheckedGet() && controls.ChatLogByDate->CheckedGet() && Links().GetMyServer &&
      Links().GetMyCharName) {
    const std::string base = Links().GetMyServer() + "_" + Links().GetMyCharName() + "_";
    const std::string& current = LogHandlerInstance->logfile();
    if (StartsWith(current, base)) {
      const std::string today = base + vb::FormatDate(platform::Sys().Now(), "yyyy-mm-dd");
      // The lines still waiting go to the new day's file with it.
      if (current != today) LogHandlerInstance->logfile(today, true);
    }
  }
  LogHandlerInstance->AddToLog(line.PlainText, line.chatType, line.LineColour);
}

void ChatTextHandler::AutoResponse(Line& line) {
  if (line.chatType != 3) return;
  auto& controls = Controls();
  if (!controls.ChatLogAFK->CheckedGet()) return;
  const long at = vb::InStr(line.PlainText, "tells you, ");
  // Without the marker there is no sender to answer.
  if (at == 0) return;
  const std::string sender = vb::Trim(vb::Left(line.PlainText, at - 1));
  Filter().SendCommand("/tell " + sender + ", Auto Response: " + controls.ChatLogAFKMessage->TextGet());
}

bool ChatTextHandler::OutgoingText(const std::string& text) { return ChatCommands::OutgoingText(text); }

void ChatTextHandler::XPList(std::int32_t first, std::int32_t last) { ReportCommands::XPList(first, last); }

std::string ChatTextHandler::PeaName(const std::string& component) { return PeaNames::PeaName(component); }

}  // namespace mellox
