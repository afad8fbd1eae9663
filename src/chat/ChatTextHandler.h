// The chat pipeline: every incoming line passes IncomingText, which lets the
// trackers react, masks or blocks filtered words, applies the custom and
// colour rules, writes lines it changed or owns, logs them and answers tells
// while the player is away. Also the routing table (which window shows which
// chat type), the chat-type table and the chat colour names.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chat/ChatLineText.h"
#include "chat/ChatListItem.h"
#include "chat/ListCache.h"
#include "core/ObjRef.h"
#include "core/VB.h"
#include "platform/Event.h"
#include "platform/HostTimer.h"

namespace mellox {

class ChatTextHandler {
  // Everything of the pipeline's that belongs to one login, in one value that
  // each login's start replaces whole (ResetForLogin).
  struct LoginState {
    bool TempleEnlightenPending = false;
    bool TempleForgetPending = false;
    // Bursts of spell lines collected by the spell-line stages.
    std::optional<std::vector<std::string>> SpellExpireList;
    std::optional<std::vector<std::string>> SpellCastList;
    // Whether the item the cast burst's first line names was carried when
    // that line came (nothing when it named none): the burst's line, handled
    // later, needs no world that may no longer hold the item.
    std::optional<bool> castItemCarried;
    // The last "Pea_Threshold" text reported as not a number.
    std::optional<std::string> badPeaThreshold;
  };
  LoginState login_;

 public:
  // Chat types the pipeline gives its own meaning.
  static constexpr std::int32_t kOwnLineType = 32;       // the plug-in's own lines
  static constexpr std::int32_t kExternalLineType = 33;  // lines other plug-ins hand in
  static constexpr std::int32_t kWindowCount = 5;        // window index 0 main, 1..4 floating
  static constexpr std::int32_t kRoutedTypeCount = 33;   // TargetList columns 0..32
  // Lines injected by rule actions nest at most this deep; deeper ones are cut.
  static constexpr int kMaxLineNesting = 6;

  ChatTextHandler();
  ~ChatTextHandler();
  ChatTextHandler(const ChatTextHandler&) = delete;
  ChatTextHandler& operator=(const ChatTextHandler&) = delete;

  // --- Routing table ---------------------------------------------------------
  // Number of SetTargetList calls since the last ResetTargetList.
  std::int32_t TargetListCount = 0;
  // Clears chat types 0..31 in every window (32 keeps its cells) and the count.
  void ResetTargetList();
  // Raises 9 for a window outside 0..4 or a chat type outside 0..32.
  void SetTargetList(std::int16_t window, std::int16_t chatType, bool enabled);
  // False (and a report) outside the table.
  bool GetTargetList(std::int16_t window, std::int16_t chatType);
  // The text in colour 6 to every window that shows chat type 26.
  void WriteError(const std::string& text);

  // --- The pipelines ---------------------------------------------------------
  // True when the game is to show its own copy of the line.
  bool IncomingText(const std::string& text, std::int32_t chatType, std::int32_t window, bool internal,
                    bool external);
  // Typed lines: the chat commands and aliases (ChatCommands). True when the
  // game is to receive the line unchanged.
  bool OutgoingText(const std::string& text);
  // The experience table, levels first to last, as own messages (ReportCommands).
  void XPList(std::int32_t first, std::int32_t last);
  // The pea a spell component is split from; "Unknown Pea" for anything else (PeaNames).
  static std::string PeaName(const std::string& component);
  // Queues the splitting tool's use on the named pea (event queue, type 2).
  void AddPea(const std::string& peaName);
  // How long a burst of item-spell lines is collected before it is replaced.
  static constexpr std::int32_t kSpellBurstMs = 300;
  // Ends the bursts under way now (a login's end): their lines are the character's.
  void EndSpellBursts();
  // A login's start: no burst, no pending temple command, nothing told.
  void ResetForLogin();

  // --- Colour names and samples --------------------------------------------
  // "testcolors": "This is color N" for N 0..40 to window 0, straight to the game.
  void ColorsTest();
  // "listcolors": the same to the main window.
  void Colors();
  // "chatcolors": one sample line per entry of the colour choice (the first
  // skipped) through the pipeline.
  void ChatColors();
  // Chat colour code of a colour name; -1 for "Default", 2 for anything unknown.
  static std::int32_t ConvertColor(const std::string& colorName);
  // Swatch icon of a colour name; 114 for "Default", 101 for anything unknown.
  static std::int32_t GetIconFromColor(const std::string& colorName);
  // Colour name of a swatch icon; "Default" for 114 and anything unknown.
  static std::string GetColorFromIcon(std::int32_t icon);

  // --- Tables and switches ---------------------------------------------------
  const std::vector<ChatListItem>& ChatTypeTable() const { return chatTypeTable_; }
  bool& TempleEnlightenPending = login_.TempleEnlightenPending;
  bool& TempleForgetPending = login_.TempleForgetPending;
  // Debug switch: every line gets " [chat type]" appended.
  bool ShowChatTypes = false;
  // Bursts of spell lines collected by the spell-line stages.
  std::optional<std::vector<std::string>>& SpellExpireList = login_.SpellExpireList;
  std::optional<std::vector<std::string>>& SpellCastList = login_.SpellCastList;

  // Result of classifying a line: the chat-type table row (0-based) and the
  // chat colour list row it selected; nullopt when no ticked row matched.
  struct Classification {
    std::size_t tableRow;
    std::int32_t colorRow;
  };
  std::optional<Classification> Classify(const std::string& text, std::int32_t chatType, bool killFlag,
                                         bool expireFlag, bool npcFlag);

 private:
  // Working state of one call of IncomingText; owned by the call, so a line
  // injected while another is processed cannot disturb the outer one.
  struct Line {
    std::string text;  // as the call received it
    std::int32_t chatType = 0;
    std::int32_t window = 0;
    bool internal = false;
    bool external = false;
    bool ShowLine = true;
    bool PlusLine = false;
    std::string LogText;
    std::string PlainText;
    std::int32_t LineColour = 0;
    bool NpcFlag = false;
    bool KillFlag = false;
    bool ExpireFlag = false;
    bool RuleWritten = false;
    bool RuleBlocked = false;
    // A cast burst's line: whether its item was carried when the cast came.
    std::optional<bool> itemCarried;
  };
  // The pipeline for a line made up (the call's own stages, nesting and traps).
  bool Incoming(Line& line);

  void AddChatItem(const std::string& pattern, const std::string& rowName, std::int32_t chatType);
  void RunStages(Line& line);
  bool ChatOption(const char* rowName);

  // Stages of the event lines (ChatEventLines.cpp) and spell lines
  // (ChatSpellLines.cpp); each returns false when it drops the line.
  bool TempleGuardianLine(Line& line);
  bool RareDiscoveryLine(Line& line);
  bool CorpseLines(Line& line);
  bool FriendsLines(Line& line);
  bool LowManaLine(Line& line);
  bool LevelLines(Line& line);
  bool VitaeLine(Line& line);
  bool ComponentBurnLine(Line& line);
  bool SpellExpiryLine(Line& line);
  bool OwnCastLine(Line& line);
  bool ItemSpellCastLine(Line& line);
  void AddKillDetails(Line& line);

  void KillLine(Line& line);
  void TellMarkup(Line& line);
  bool WordFilter(Line& line);
  void CustomRules(Line& line);
  void ColorRule(Line& line);
  void FinalWrite(Line& line);
  void LogLine(Line& line);
  void AutoResponse(Line& line);
  void RunAction(const std::string& piece);

  // Rows of the filter, custom rule and colour lists as the stages use them,
  // parsed once per content of the list (see ListCache.h). The stages
  // refresh before the first row and again after anything that may run other
  // code (debug lines, writes, sounds, actions), which may change the list,
  // and keep no reference to a row across such a step. The row accessors
  // raise 9 for a row the list no longer has, as reading its cell would.
  struct FilterRow {
    Cached<bool> enabled;
    Cached<std::string> word;  // trimmed, lower case
    vb::LiteralSearch wordSearch;
    Cached<bool> whole;
    Cached<bool> block;
    // For a word with wildcard characters: the whole-word pattern around it.
    std::optional<vb::LikePattern> wholePattern;
  };
  struct CustomRow {
    Cached<bool> enabled;
    Cached<std::string> type;
    bool typeAll = false;  // type is "All"
    bool typeMX = false;   // type is "MX"
    Cached<std::optional<double>> typeNumber;  // the type's number when it is numeric
    Cached<std::string> pattern;
    vb::LikePattern compiled;
    Cached<std::string> colourName;
    Cached<std::string> window;
    Cached<std::string> sound;
    Cached<std::string> actions;
  };
  struct ColorRow {
    Cached<std::string> colourName;
    Cached<std::string> window;
    Cached<std::string> sound;
  };
  void RefreshFilterRows(platform::ListControl& list);
  const FilterRow& FilterRowAt(std::int32_t row) const;
  // Gives the row count.
  std::int32_t RefreshCustomRows(platform::ListControl& list);
  const CustomRow& CustomRowAt(std::int32_t row) const;
  // Refreshes, then gives the row.
  const ColorRow& ColorRowAt(platform::ListControl& list, std::int32_t row);

  // Writes the text to window i + 1 for every window index i routed for the
  // chat type; a line from another plug-in has no routing and goes to the
  // window its call named.
  void WriteRouted(const Line& line, std::int32_t routeType, std::int32_t colour);
  void TimeSpells_Timeout();
  void TimeCast_Timeout();
  // A chat option row those stages read (cached per list content, see ListCache.h).
  bool LineOption(ChatLineText::Option option);
  // The "Pea_Threshold" number; nothing (told once per text) when it is not a 16-bit whole number.
  std::optional<std::int16_t> PeaThreshold();
  // Adds the line to the burst, opening it (and its timer) when none runs.
  static void CollectSpellLine(std::optional<std::vector<std::string>>& burst, platform::HostTimer& timer,
                               const std::string& text);
  // The burst's end: the one line that replaces it goes back into the
  // pipeline (a single cast with what was known of its item when it came).
  void EndSpellBurst(std::optional<std::vector<std::string>>& burst, platform::HostTimer& timer,
                     const char* combinedEnding, std::optional<bool> itemCarried = std::nullopt);

  std::array<std::array<bool, kRoutedTypeCount>, kWindowCount> TargetList{};
  std::vector<ChatListItem> chatTypeTable_;
  std::vector<vb::LikePattern> chatTypePatterns_;  // compiled TextIn of each table row
  ListKey filterKey_;
  std::vector<FilterRow> filterRows_;
  ListKey customKey_;
  std::vector<CustomRow> customRows_;
  ListKey colorKey_;
  std::vector<ColorRow> colorRows_;
  NamedRowCache colorNames_;  // chat colour row of each table row, and its tick
  NamedRowCache optionRows_;
  NamedRowCache lineOptions_{static_cast<std::size_t>(ChatLineText::Option::Count)};
  ObjRef<platform::HostTimer> TimeSpells;
  ObjRef<platform::HostTimer> TimeCast;
  platform::Connection timeSpellsEvent_;
  platform::Connection timeCastEvent_;

  // Nesting of IncomingText calls, and whether the current outermost line
  // already reported a cut.
  int depth_ = 0;
  bool cutReported_ = false;
  bool reportingCut_ = false;
  // Set while an error of the pipeline is being reported, so that a report
  // which fails again inside the pipeline is not reported without end.
  bool reportingError_ = false;
};

}  // namespace mellox
