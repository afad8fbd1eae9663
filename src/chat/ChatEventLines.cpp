// The pipeline stages that react to game events announced in chat: temple
// guardians' offers, rare discoveries, the character's death and corpse, the
// friends answer, low mana, levels and experience, vitae and kills.
#include <string>

#include "chat/ChatLineText.h"
#include "chat/ChatTextHandler.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/VBError.h"
#include "host/FilterHandler.h"
#include "host/NetEchoHandler.h"
#include "settings_view/ControlHandler.h"
#include "tracking/CorpseHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace {

using namespace ChatLineText;

constexpr std::int32_t kTellType = 3;
constexpr std::int32_t kSystemType = 0;
constexpr std::int32_t kBroadcastType = 5;
constexpr std::int32_t kMagicType = 7;
constexpr std::int32_t kAdvancementType = 13;

template <class T>
T& Need(T* instance) {
  if (!instance) Raise(91);
  return *instance;
}

constexpr const char* kForgetGuardian = "Guardian of the Temple of Forgetfulness";
constexpr const char* kEnlightenGuardian = "Guardian of the Temple of Enlightenment";

}  // namespace

bool ChatTextHandler::LineOption(Option option) {
  ControlHandler& controls = Need(ControlHandlerInstance);
  const std::int32_t row = lineOptions_.Row(controls, controls.ChatOptions.get(), "ChatOptions",
                                            static_cast<std::size_t>(option), OptionRow(option));
  return lineOptions_.Flag(*controls.ChatOptions, 0, row);
}

// While a temple's quest waits for the right essence, each offer that is not
// Malar's asks the guardian again; Malar's is answered with Hyssop.
bool ChatTextHandler::TempleGuardianLine(Line& line) {
  if (line.chatType != kTellType) return true;
  struct Temple {
    const char* guardian;
    bool* pending;
  };
  const Temple temples[] = {{kForgetGuardian, &TempleForgetPending}, {kEnlightenGuardian, &TempleEnlightenPending}};
  for (const Temple& temple : temples) {
    if (!*temple.pending || !IsEssenceOffer(line.text, temple.guardian)) continue;
    FilterHandler& filter = Need(FilterHandlerInstance);
    if (Contains(line.text, "Malar")) {
      const std::int32_t hyssop = filter.GetIDinInv("Hyssop");
      const std::int32_t guardian = filter.GetID(temple.guardian);
      filter.GiveItem(hyssop, guardian);
      *temple.pending = false;
    } else {
      filter.UseItem(filter.GetID(temple.guardian), 0);
    }
  }
  return true;
}

bool ChatTextHandler::RareDiscoveryLine(Line& line) {
  if (line.chatType != kBroadcastType || !Contains(line.text, " has discovered ")) return true;
  if (!LineOption(Option::RareToAllWindows)) return true;
  FilterHandler& filter = Need(FilterHandlerInstance);
  for (std::int32_t window = 1; window <= kWindowCount; ++window)
    filter.WriteToChatWindow(line.text, 5, window);
  for (int i = 0; i < 3; ++i) filter.WriteToChatWindow(line.text, 26, 0);
  return true;
}

bool ChatTextHandler::CorpseLines(Line& line) {
  if (line.chatType != kSystemType) return true;
  if (line.text == "Ack! You killed yourself!") {
    Need(CorpseHandlerInstance).CharDeath();
    Need(SpellHandlerInstance).RebuildList = true;
    return true;
  }
  const bool lost = StartsWith(line.text, "You've lost");
  const bool located = StartsWith(line.text, "Your corpse is located at ");
  if (!lost && !located) return true;
  CorpseHandler& corpses = Need(CorpseHandlerInstance);
  if (!corpses.HasDied()) return true;
  if (lost) {
    corpses.CorpseData(line.text);
  } else {
    corpses.CorpseCoords(CorpseCoordsText(line.text));
  }
  return true;
}

// The answer to "/friends online": its header and an empty answer are hidden;
// otherwise the first system line after it is introduced by "Your friends: ".
bool ChatTextHandler::FriendsLines(Line& line) {
  if (line.chatType != kSystemType) return true;
  FilterHandler& filter = Need(FilterHandlerInstance);
  if (!filter.doneFriends) return true;
  if (Contains(line.text, "Your friends:")) return false;
  if (Contains(line.text, "You have no friends that are online") ||
      Contains(line.text, "Your friends list is empty!")) {
    filter.doneFriends = false;
    return false;
  }
  filter.WriteToChatWindow("Your friends: ", 0, 0);
  filter.doneFriends = false;
  return true;
}

bool ChatTextHandler::LowManaLine(Line& line) {
  if (line.chatType != kMagicType || !Contains(line.text, "Your") ||
      !Contains(line.text, "is low on Mana.")) {
    return true;
  }
  if (!Need(ControlHandlerInstance).FillMana->CheckedGet()) return true;
  Need(FilterHandlerInstance).Fill_Mana(false);
  line.LogText += " Preparing to autofill your items...";
  line.internal = true;
  return true;
}

bool ChatTextHandler::LevelLines(Line& line) {
  if (line.chatType == kAdvancementType && StartsWith(line.text, "You are now level"))
    Need(StatisticsInstance).Level();
  const bool raised = (line.chatType == kAdvancementType && IsSkillRaise(line.text)) ||
                      (line.chatType == kSystemType && IsExperienceEarned(line.text));
  if (raised) {
    // The XP spent shows at once; the echo's pair of updates starts afresh.
    Need(StatisticsInstance).ChangeXP(false);
    Need(NetEchoHandlerInstance).ResetXPBools();
  }
  return true;
}

bool ChatTextHandler::VitaeLine(Line& line) {
  if (line.chatType != kMagicType ||
      !StartsWith(line.text, "Your experience has reduced your Vitae penalty!")) {
    return true;
  }
  if (!LineOption(Option::ImprovedVitae)) return true;
  const std::int32_t vitae = Need(FilterHandlerInstance).GetMyCharVitae();
  line.LogText = DropLastChar(line.LogText) + " to " + std::to_string(vitae) + "%!";
  line.internal = true;
  return true;
}

void ChatTextHandler::AddKillDetails(Line& line) {
  Statistics& stats = Need(StatisticsInstance);
  stats.IncKills();
  if (LineOption(Option::KillMonsterXP)) {
    line.LogText = DropLastChar(line.LogText) + " for " + Hub::FormatCount(stats.MonsterXP(), false) + " XP!";
  }
  ControlHandler& controls = Need(ControlHandlerInstance);
  if (LineOption(Option::KillUnassignedXP))
    line.LogText += " You have " + controls.XPUn->TextGet() + " XP unassigned.";
  if (LineOption(Option::KillXPToLevel))
    line.LogText += " It will take " + controls.XPNext->TextGet() + " XP to level.";
  if (LineOption(Option::KillXPHour))
    line.LogText += " You are making " + controls.XPHour->TextGet() + " XP per hour.";
  if (LineOption(Option::KillKillsToLevel)) {
    line.LogText +=
        " It will take " + Hub::FormatCount(stats.KillsLevel(), true) + " similar kills to level.";
  }
  if (LineOption(Option::KillTimeToLevel))
    line.LogText += " It will take " + stats.TimetoLevel() + " to level.";
}

}  // namespace mellox
