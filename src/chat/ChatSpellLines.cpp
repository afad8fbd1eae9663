// The pipeline stages for the game's magic lines: remaining component counts
// and pea splitting on a burn, hiding expiries of spells still active,
// collecting bursts of item-spell casts and expiries into one line, and
// handing casts on items to the item-spell tracker.
#include <string>
#include <utility>
#include <vector>

#include "chat/ChatLineText.h"
#include "chat/ChatTextHandler.h"
#include "core/EventQueue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "settings_view/ControlHandler.h"
#include "tracking/SpellHandler.h"

namespace mellox {

namespace {

using namespace ChatLineText;

constexpr const char* kClass = "ChatTextHandler";
constexpr std::int32_t kMagicType = 7;

template <class T>
T& Need(T* instance) {
  if (!instance) Raise(91);
  return *instance;
}

}  // namespace

void ChatTextHandler::AddPea(const std::string& peaName) {
  Trap("AddPea", kClass,
       [&] { Need(EventQueueInstance).AddByName(EVENT_USE_ITEM_ON_STACK, "Splitting Tool", peaName); });
}

std::optional<std::int16_t> ChatTextHandler::PeaThreshold() {
  const std::string text = Need(ControlHandlerInstance).PeaThreshold->TextGet();
  try {
    const std::int16_t threshold = vb::CInt(text);
    login_.badPeaThreshold.reset();
    return threshold;
  } catch (const VBError& e) {
    // A bad setting must not cost every burn line its display and log entry;
    // it is told once until the text changes.
    if (login_.badPeaThreshold != text) {
      login_.badPeaThreshold = text;
      const std::string why = "Pea_Threshold \"" + text + "\" is not a whole number from -32768 to 32767";
      ReportTrapped(e.Number(), why + "; no peas are split.", "IncomingText", kClass, false);
    }
    return std::nullopt;
  }
}

bool ChatTextHandler::ComponentBurnLine(Line& line) {
  if (line.chatType != kMagicType || !StartsWith(line.text, "The spell consumed")) return true;
  const std::vector<std::string> components = BurnComponents(line.LogText);
  std::vector<std::int32_t> counts;
  counts.reserve(components.size());
  FilterHandler& filter = Need(FilterHandlerInstance);
  for (const std::string& component : components) counts.push_back(filter.GetItemCount(component));
  if (Need(ControlHandlerInstance).SplitPeas->CheckedGet()) {
    if (const auto threshold = PeaThreshold()) {
      for (std::size_t i = 0; i < components.size(); ++i) {
        // A component no pea splits into asks for the "Unknown Pea", which the
        // queue then reports as missing.
        if (counts[i] < *threshold) AddPea(PeaName(components[i]));
      }
    }
  }
  if (LineOption(Option::CompCountOnBurn)) {
    line.LogText = BurnLineWithCounts(components, counts);
    line.internal = true;
  }
  return true;
}

bool ChatTextHandler::SpellExpiryLine(Line& line) {
  if (line.chatType != kMagicType || !EndsWith(line.text, "has expired.") ||
      StartsWith(line.text, "Vitae penalty")) {
    return true;
  }
  // A re-injected or changed line is shown as it is.
  if (line.internal) {
    line.ExpireFlag = true;
    return true;
  }
  if (!StartsWith(line.text, "The spell")) {
    // One of the character's own spells.
    Hub::wtcw_debug("Spell Exp");
    if (LineOption(Option::FilterNonexpired) &&
        Need(FilterHandlerInstance).IsSpellActive(ExpiredSpellName(line.LogText))) {
      return false;
    }
    line.ExpireFlag = true;
    return true;
  }
  // A spell on an item.
  if (LineOption(Option::CombineItemSpells)) {
    CollectSpellLine(SpellExpireList, *TimeSpells, line.text);
    return false;
  }
  line.ExpireFlag = true;
  return true;
}

bool ChatTextHandler::OwnCastLine(Line& line) {
  if (line.chatType != kMagicType || line.internal || !StartsWith(line.text, "You cast") ||
      Contains(line.text, "on yourself") || Contains(line.text, "of your")) {
    return true;
  }
  Hub::wtcw_debug("Spell Casting");
  if (!LineOption(Option::CombineItemSpells)) return true;
  CollectSpellLine(SpellCastList, *TimeCast, line.text);
  if (SpellCastList->size() == 1) {
    // The item is looked up now, while the world surely holds it.
    login_.castItemCarried.reset();
    if (const auto cast = ParseItemSpellCast(line.LogText); cast && IsItemSpellCast(line.text))
      login_.castItemCarried = SpellHandler::ItemTargetAccepted(cast->target);
  }
  return false;
}

bool ChatTextHandler::ItemSpellCastLine(Line& line) {
  if (line.chatType != kMagicType || !IsItemSpellCast(line.text)) return true;
  if (!Need(ControlHandlerInstance).SpellsItem->CheckedGet()) return true;
  // Other casters' lines ("... casts ... on your ...") name no spell of the
  // character's and record nothing.
  const auto cast = ParseItemSpellCast(line.LogText);
  if (cast) Need(SpellHandlerInstance).AddItemSpell(cast->spell, cast->target, line.itemCarried);
  return true;
}

void ChatTextHandler::CollectSpellLine(std::optional<std::vector<std::string>>& burst,
                                       platform::HostTimer& timer, const std::string& text) {
  // A burst lasts from its first line; later lines never restart the timer.
  if (!timer.Running()) {
    burst.emplace();
    timer.Start(kSpellBurstMs);
  } else if (!burst) {
    burst.emplace();
  }
  burst->push_back(text);
}

void ChatTextHandler::EndSpellBurst(std::optional<std::vector<std::string>>& burst,
                                    platform::HostTimer& timer, const char* combinedEnding,
                                    std::optional<bool> itemCarried) {
  // The burst is closed before its line goes back into the pipeline, so
  // nothing that line sets off can leave the timer repeating the burst.
  std::optional<std::vector<std::string>> lines = std::exchange(burst, std::nullopt);
  timer.Stop();
  if (!lines || lines->empty()) return;
  Line line;
  line.text = lines->size() < 2 ? lines->front() : CombinedBurstLine(lines->front(), combinedEnding);
  line.chatType = kMagicType;
  line.internal = true;
  if (lines->size() < 2) line.itemCarried = itemCarried;
  Incoming(line);
}

void ChatTextHandler::EndSpellBursts() {
  TimeSpells_Timeout();
  TimeCast_Timeout();
}

void ChatTextHandler::TimeSpells_Timeout() {
  Trap("TimeSpells", kClass,
       [&] { EndSpellBurst(SpellExpireList, *TimeSpells, " on your armor has expired."); });
}

void ChatTextHandler::TimeCast_Timeout() {
  Trap("TimeCast", kClass, [&] {
    EndSpellBurst(SpellCastList, *TimeCast, " on your armor.", std::exchange(login_.castItemCarried, std::nullopt));
  });
}

}  // namespace mellox
