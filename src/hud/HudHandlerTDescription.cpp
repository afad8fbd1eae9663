// The target HUD's painting pass: frame, title bar, the object's icons and
// name, and the description lines of its class built from its properties.
#include <array>

#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/NetEchoHandler.h"
#include "hud/HudHandlerT.h"
#include "platform/World.h"
#include "tracking/SpellFilterHandler.h"

namespace mellox {

namespace {

constexpr const char* kClass = "HudHandlerT";
constexpr std::int64_t kPortalImageBase = 0x06000000;

// Property keys, named by what the HUD draws from them.
enum LongKey : std::int32_t {
  kBurden = 5,
  kValue = 19,
  kLevel = 25,
  kTod = 26,
  kArmorLevel = 28,
  kFlagB = 33,
  kFlagU = 36,
  kDifficulty = 38,
  kMinLevel = 86,
  kMaxLevel = 87,
  kVital = 89,
  kRestores = 90,
  kUsesLeft = 91,
  kUses = 92,
  kWork = 105,
  kMana = 107,
  kMaxMana = 108,
  kLore = 109,
  kRank = 110,
  kRestriction = 111,
  kFlagA = 114,
  kActivationLevel = 115,
  kWieldKind = 158,
  kWieldId = 159,
  kWieldLevel = 160,
  kFrom = 170,
  kTinks = 171,
  kActivationSkill = 176,
  kHeritage = 188,
  kElementBonus = 204,
  kStackCount = 0x0D000006,
  kCastSpell = 0x0D000008,
  kMaxDamage = 0x0D000022,
  kOverlayIcon = 0x0D000029,
  kUnderlayIcon = 0x0D00002A,
};

enum DoubleKey : std::int32_t {
  kBonus2 = 29,
  kTrapChance = 87,
  kHealChance = 100,
  kDestroyChance = 137,
  kClass31Bonus = 144,
  kBonus3 = 150,
  kClass31Percent = 152,
  kSalvageWork = 0x0A000009,
  kSpread = 0x0A00000B,
  kBonus1 = 0x0A00000C,
  kDamageBonus = 0x0A00000E,
};

enum BoolKey : std::int32_t {
  kOpen = 2,
  kLocked = 3,
  kFlagR = 91,
  kFlagI = 99,
  kFlagD = 100,
};

enum StringKey : std::int32_t {
  kInscription = 16,
  kUsage = 38,
  kPluralName = 0x0B000000,
};

// A fixed table with its own lower bound; every slot not listed is empty.
template <std::size_t N>
struct Abbreviations {
  std::int32_t lower;
  std::array<std::string, N> texts;
  const std::string& At(std::int32_t index) const {
    const std::int64_t slot = std::int64_t{index} - lower;
    if (slot < 0 || slot >= static_cast<std::int64_t>(N)) Raise(9);
    return texts[static_cast<std::size_t>(slot)];
  }
};

const Abbreviations<45> kSkills{
    1, {"Ax", "Bo", "XB", "Dg", "Ma", "Me", "Mi", "",   "Sp", "St", "Sw", "TW", "UA", "Ar", "Ma",
        "MC", "",   "IT", "AP", "De", "He", "Ju", "LP", "Ru", "",   "",   "AC", "WT", "AT", "MT",
        "CE", "IE", "LM", "WM", "Le", "Lo", "Fl", "Al", "Co", "Sa", "2H", "GC", "??", "??", "??"}};
const Abbreviations<6> kAttributes{1, {"Str", "End", "Cor", "Quk", "Foc", "Sel"}};
const Abbreviations<6> kVitals{1, {"Hlt", "", "Stm", "", "Mna", ""}};
const Abbreviations<2> kTraining{2, {"Trn", "Spc"}};
const Abbreviations<4> kHeritages{1, {"Alv", "Ghr", "Sho", "Via"}};

platform::Rect Box(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right) {
  return {left, top, right, bottom};
}

std::string Num(std::int32_t v) { return std::to_string(v); }

}  // namespace

const std::string& HudHandlerT::SkillAbbreviation(std::int32_t index) { return kSkills.At(index); }
const std::string& HudHandlerT::AttributeAbbreviation(std::int32_t index) { return kAttributes.At(index); }
const std::string& HudHandlerT::VitalAbbreviation(std::int32_t index) { return kVitals.At(index); }
const std::string& HudHandlerT::TrainingAbbreviation(std::int32_t index) { return kTraining.At(index); }
const std::string& HudHandlerT::HeritageAbbreviation(std::int32_t index) { return kHeritages.At(index); }

// --- Line builders ----------------------------------------------------------------------

std::string HudHandlerT::FormatPercentBonus(double value) {
  if (value == 0) return {};
  return vb::CStr(vb::Round((value - 1) * 100, 1));
}

std::string HudHandlerT::DescribeItemFlags() {
  platform::WorldObject& o = *ObjRef<platform::WorldObject>(login_.object);
  std::string flags;
  if (o.LongProperty(kFlagA, 0) != 0) flags += "A ";
  if (o.LongProperty(kFlagB, 0) != 0) flags += "B ";
  if (o.BoolProperty(kFlagD, false)) flags += "D ";
  if (o.BoolProperty(kFlagI, false)) flags += "I ";
  if (o.BoolProperty(kFlagR, false)) flags += "R ";
  if (o.LongProperty(kFlagU, 0) != 0) flags += "U ";
  if (flags.empty()) return {};
  return ", " + vb::Trim(flags);
}

std::string HudHandlerT::DescribeValueBurden() {
  platform::WorldObject& o = *ObjRef<platform::WorldObject>(login_.object);
  return Hub::FormatCount(o.LongProperty(kValue, 0), false) + "p, " +
         Hub::FormatCount(o.LongProperty(kBurden, 0), false) + "bu" + DescribeItemFlags();
}

std::string HudHandlerT::WieldReq() {
  std::string result;
  Trap("WieldReq", kClass, [&] {
    platform::WorldObject& o = *ObjRef<platform::WorldObject>(login_.object);
    const std::int32_t kind = o.LongProperty(kWieldKind, 0);
    if (kind <= 0) return;
    const std::int32_t id = o.LongProperty(kWieldId, 0);
    const std::int32_t level = o.LongProperty(kWieldLevel, 0);
    std::string text;
    switch (kind) {
      case 1:
      case 2:
        text = SkillAbbreviation(id) + " " + Num(level);
        break;
      case 3:
      case 4:
        text = AttributeAbbreviation(id) + " " + Num(level);
        break;
      case 5:
      case 6:
        text = VitalAbbreviation(id) + " " + Num(level);
        break;
      case 7:
        text = "Lv " + Num(level);
        break;
      case 8:
        text = SkillAbbreviation(id) + " " + TrainingAbbreviation(level);
        break;
      default:
        break;
    }
    result = ", " + text;
  });
  return result;
}

std::string HudHandlerT::ActivationReq() {
  std::string result;
  Trap("ActivationReq", kClass, [&] {
    platform::WorldObject& o = *ObjRef<platform::WorldObject>(login_.object);
    std::string text;
    if (const std::int32_t lore = o.LongProperty(kLore, 0); lore != 0) text = ", Lr " + Num(lore);
    if (const std::int32_t heritage = o.LongProperty(kHeritage, 0); heritage != 0) {
      text += ", " + HeritageAbbreviation(heritage);
    }
    if (const std::int32_t skill = o.LongProperty(kActivationSkill, 0); skill > 0) {
      text += ", " + SkillAbbreviation(skill) + " " + Num(o.LongProperty(kActivationLevel, 0));
    }
    if (const std::int32_t rank = o.LongProperty(kRank, 0); rank != 0) text += ", Rk " + Num(rank);
    result = text;
  });
  return result;
}

std::string HudHandlerT::DescribeTextValues() {
  platform::WorldObject& o = *ObjRef<platform::WorldObject>(login_.object);
  const std::int32_t count = o.LongProperty(kStackCount, 0);
  if (count <= 1) return o.Name();
  const std::string plural = o.StringProperty(kPluralName, "");
  if (!plural.empty()) return Num(count) + " " + plural;
  const std::string name = o.Name();
  return Num(count) + " " + name + (vb::Right(name, 1) == "s" ? "es" : "s");
}

std::string HudHandlerT::SummarizeMajorEpic() {
  if (!NetEchoHandlerInstance) Raise(91);
  std::string result;
  for (const std::string& piece : vb::Split(NetEchoHandlerInstance->IDSpells, ";")) {
    if (vb::InStr(piece, "Major", true) > 0 || vb::InStr(piece, "Epic", true) > 0) result += piece + ", ";
  }
  if (!result.empty()) result.resize(result.size() - 2);
  return result;
}

std::string HudHandlerT::DescribeBonuses() {
  platform::WorldObject& o = *ObjRef<platform::WorldObject>(login_.object);
  const std::string first = o.ObjectClass() == 31
                                ? vb::CStr(vb::Round(o.DoubleProperty(kClass31Bonus, 0) * 100, 0))
                                : FormatPercentBonus(o.DoubleProperty(kBonus1, 0));
  std::string text = first + " " + FormatPercentBonus(o.DoubleProperty(kBonus2, 0));
  if (const double third = o.DoubleProperty(kBonus3, 0); third != 0) text += " " + FormatPercentBonus(third);
  text = vb::Trim(text);
  return text.empty() ? std::string() : ", " + text;
}

// --- The painting pass -----------------------------------------------------------------------

void HudHandlerT::EmitLine(const std::string& text, std::int32_t& y, std::int32_t& x, platform::Rect& work) {
  work = Box(y, x, y + fontSize_, width_ - borderWidth_);
  DrawItemText(work, TextColour(), OutlineColour(), 0, text);
  y += fontSize_ + spacing_;
  x = borderWidth_ + spacing_;
}

void HudHandlerT::ManaBlock(std::int32_t& y, std::int32_t& x, platform::Rect& work) {
  platform::WorldObject& o = *login_.object;
  if (o.LongProperty(kMaxMana, 0) == 0) return;
  EmitLine(Num(o.LongProperty(kMana, 0)) + "m" + ActivationReq(), y, x, work);
  // The last line: drawn where the next would go, without moving on.
  work = Box(y, x, y + fontSize_, width_ - borderWidth_);
  DrawItemText(work, TextColour(), OutlineColour(), 0, SummarizeMajorEpic());
}

void HudHandlerT::DescribeClass(std::int32_t& y, std::int32_t& x, platform::Rect& work) {
  platform::HudView& canvas = *myHud_;
  platform::WorldObject& o = *login_.object;
  const std::int32_t objectClass = o.ObjectClass();
  auto L = [&o](std::int32_t key) { return o.LongProperty(key, 0); };
  auto D = [&o](std::int32_t key) { return o.DoubleProperty(key, 0); };
  auto emit = [&](const std::string& text) { EmitLine(text, y, x, work); };
  auto wkTk = [&] {
    std::string s;
    if (L(kWork) != 0) s += ", Wk " + Num(L(kWork));
    if (L(kTinks) != 0) s += ", Tk " + Num(L(kTinks));
    return s;
  };

  switch (objectClass) {
    case 5:
    case 24:
    case 25:
    case 37: {
      {
        TextPass text(canvas, fontFace_, fontSize_ + 4, fontWeight_);
        work = Box(y + 2, x, y + fontSize_ + 4, x + 2 * fontSize_);
        DrawItemText(work, TextColour(), OutlineColour(), 37, Num(L(kLevel)));
      }
      UpdateHealth(false);
      UpdateDebuffs(false);
      return;
    }
    case 0:
    case 28:
    case 35:
    case 40:
    case 41:
      return;
    default:
      break;
  }

  TextPass text(canvas, fontFace_, fontSize_, fontWeight_);
  switch (objectClass) {
    case 2:
    case 3:
      emit(DescribeValueBurden() + WieldReq());
      emit("AL " + Num(L(kArmorLevel)) + wkTk());
      ManaBlock(y, x, work);
      break;
    case 1: {
      const std::int32_t maxDamage = L(kMaxDamage);
      emit(DescribeValueBurden() + WieldReq());
      emit(vb::CStr(vb::Round((1 - D(kSpread)) * maxDamage, 2)) + "-" + Num(maxDamage) + DescribeBonuses() +
           wkTk());
      ManaBlock(y, x, work);
      break;
    }
    case 9: {
      emit(DescribeValueBurden() + WieldReq());
      std::string line;
      if (L(kMaxDamage) != 0) line = Num(L(kMaxDamage)) + " ";
      line += vb::CStr(vb::Round((D(kDamageBonus) - 1) * 100, 0)) + "%[" + Num(L(kElementBonus)) + "]";
      emit(line + DescribeBonuses() + wkTk());
      ManaBlock(y, x, work);
      break;
    }
    case 31: {
      emit(DescribeValueBurden() + WieldReq());
      double percent = 0;
      const std::string p =
          o.HasDoubleProperty(kClass31Percent, percent) ? FormatPercentBonus(D(kClass31Percent)) + "%" : "0%";
      emit(p + DescribeBonuses() + wkTk());
      ManaBlock(y, x, work);
      break;
    }
    case 4:
    case 11:
      emit(DescribeValueBurden() + WieldReq());
      if (L(kWork) != 0)
        emit("Wk " + Num(L(kWork)) + (L(kTinks) != 0 ? ", Tk " + Num(L(kTinks)) : std::string()));
      ManaBlock(y, x, work);
      break;
    case 16:
      emit(DescribeValueBurden());
      emit(Num(L(kMana)) + ", " + vb::CStr(vb::Round(D(kTrapChance) * 100, 0)) + "% T, " +
           vb::CStr(vb::Round(D(kDestroyChance) * 100, 0)) + "% D");
      break;
    case 30:
      emit(DescribeValueBurden());
      emit(Num(L(kUses)) + "/" + Num(L(kUsesLeft)));
      break;
    case 29:
      emit(DescribeValueBurden());
      emit(Num(L(kUses)) + "/" + Num(L(kUsesLeft)) + ", " + vb::CStr(vb::Round(D(kHealChance) * 100, 0)) +
           "%, +" + Num(L(kRestores)) + " Heal");
      break;
    case 39:
      emit(DescribeValueBurden());
      emit("Wk " + vb::CStr(vb::Round(D(kSalvageWork), 2)) + ", From " + Num(L(kFrom)));
      break;
    case 27:
      emit(Hub::FormatCount(L(kBurden), false) + "bu");
      emit(o.StringProperty(kInscription, ""));
      break;
    case 6:
      emit(DescribeValueBurden());
      if (const std::int32_t vital = L(kVital); vital != 0) {
        const char* name = vital == 2 ? "Health" : vital == 4 ? "Stamina" : vital == 6 ? "Mana" : "";
        emit("Restores " + Num(L(kRestores)) + " " + name);
      } else if (L(kCastSpell) != 0) {
        if (!SpellFilterHandlerInstance) Raise(91);
        emit("Casts " + SpellFilterHandlerInstance->GetName(L(kCastSpell)));
      }
      break;
    case 26: {
      const char* lock = o.BoolProperty(kLocked, false) ? "Locked"
                         : o.BoolProperty(kOpen, false) ? "Open"
                                                        : "Unlocked";
      emit(lock + (L(kDifficulty) != 0 ? ", Diff " + Num(L(kDifficulty)) : std::string()));
      break;
    }
    case 14: {
      const std::int32_t lower = L(kMinLevel);
      const std::int32_t upper = L(kMaxLevel);
      std::string line;
      if (lower >= 1 && upper >= 1) {
        line = "Level " + Num(lower) + "-" + Num(upper);
      } else if (lower > 0) {
        line = "Level " + Num(lower) + "+";
      } else if (upper >= 1) {
        line = "Level <" + Num(upper);
      } else {
        line = "None";
      }
      if (L(kTod) != 0) line += ", TOD";
      if (const std::int32_t restriction = L(kRestriction); restriction > 1) {
        line += " No ";
        if (restriction == 49) line += "Rec/Tie/Sum";
        if (restriction == 17) line += "Sum";
        if (restriction == 33) line += "Rec/Tie";
      }
      emit(line);
      work = Box(y, x, y + 2 * fontSize_ + spacing_, width_ - borderWidth_);
      DrawItemText(work, TextColour(), OutlineColour(), 16, o.StringProperty(kUsage, ""));
      y += 2 * fontSize_ + spacing_;
      x = borderWidth_ + spacing_;
      break;
    }
    case 10:
      emit(DescribeValueBurden());
      if (L(kDifficulty) != 0) {
        if (o.BoolProperty(kLocked, false)) {
          emit("Locked, Diff " + Num(L(kDifficulty)));
        } else {
          emit(o.BoolProperty(kOpen, false) ? "Open" : "Unlocked");
        }
      }
      break;
    default:
      emit(DescribeValueBurden());
      break;
  }
}

void HudHandlerT::OutputHud(bool /*force: every pass paints everything*/) {
  if (!myHud_) return;
  platform::HudView& canvas = *myHud_;
  platform::Rect work{};
  std::int64_t lastIcon = 0;
  try {
    RenderPass pass(canvas);
    const bool barShown = mouse_.withinCanvas && drawTitle_;
    const std::uint32_t frame =
        ToArgb(barShown && mouse_.fadeStep == 10 ? Hub::ConvertColor("Black", 10) : backgroundColor_);
    {
      TextPass title(canvas, "Arial", 14, 700);
      work = localRect_;
      canvas.Clear(localRect_);
      canvas.Fill(localRect_, 0);
      if (login_.object) {
        canvas.Fill(Box(0, 0, titleHeight_, width_), 0);
        canvas.Fill(Box(titleHeight_, 0, height_, borderWidth_), frame);
        canvas.Fill(Box(titleHeight_, width_ - borderWidth_, height_, width_), frame);
        canvas.Fill(Box(height_ - borderWidth_, 0, height_, width_), frame);
      }
      if (barShown) {
        canvas.Fill(Box(0, 0, titleHeight_, width_), ToArgb(Hub::ConvertColor("Black", mouse_.fadeStep)));
        const double white = Hub::ConvertColor("White", mouse_.fadeStep);
        // The outline fades with the bar, so a half-faded title has no hard edge.
        const std::uint32_t edge = ToArgb(Hub::ConvertColor("Black", mouse_.fadeStep));
        if (titleWidth_ < width_ - 30)
          DrawItemText(Box(0, 0, titleHeight_, width_ - 20), white, edge, 1, title_);
        DrawItemText(Box(0, width_ - 18, titleHeight_, width_ - 10), white, edge, 0, "O");
        DrawItemText(Box(0, width_ - 8, titleHeight_, width_), white, edge, 0, "X");
      }
    }
    if (!login_.object) return;
    platform::WorldObject& o = *login_.object;

    work = Box(titleHeight_, borderWidth_, height_ - borderWidth_, width_ - borderWidth_);
    canvas.Fill(work, ToArgb(backgroundColor_));
    std::int32_t y = titleHeight_ + spacing_;
    std::int32_t x = borderWidth_ + spacing_;

    // Underlay, the object's own icon, overlay: one square, in that order.
    work = Box(y, x, y + 2 * fontSize_, x + 2 * fontSize_);
    auto image = [&](std::int64_t icon) {
      lastIcon = icon;
      const std::int64_t id = kPortalImageBase + icon;
      if (id < INT32_MIN || id > INT32_MAX) Raise(6);
      canvas.DrawPortalImage(static_cast<std::int32_t>(id), work);
    };
    if (const std::int32_t under = o.LongProperty(kUnderlayIcon, 0); under != 0) image(under);
    image(o.Icon());
    if (const std::int32_t over = o.LongProperty(kOverlayIcon, 0); over != 0) image(over);

    x += 2 * fontSize_ + spacing_;
    const std::string name = DescribeTextValues();
    const std::int32_t flags = Measure(name) <= width_ - borderWidth_ - 2 * fontSize_ - spacing_ ? 37 : 17;
    work = Box(y, x, y + 2 * fontSize_, width_ - borderWidth_);
    {
      TextPass text(canvas, fontFace_, fontSize_, fontWeight_);
      DrawItemText(work, TextColour(), OutlineColour(), flags, name);
    }
    x = borderWidth_ + spacing_;
    y += 2 * fontSize_ + spacing_;

    if (!o.HasIdentifyData()) {
      TextPass text(canvas, fontFace_, fontSize_, fontWeight_);
      work = Box(y, x, y + fontSize_, width_ - borderWidth_);
      DrawItemText(work, TextColour(), OutlineColour(), 1, "[Waiting for ID]");
      return;
    }
    DescribeClass(y, x, work);
  } catch (...) {
    const std::string name = "OutputHud " + std::to_string(0) + " | Drawrect: " + std::to_string(work.top) +
                             " " + std::to_string(work.left) + " " + std::to_string(work.bottom) + " " +
                             std::to_string(work.right) + " icon:" + std::to_string(lastIcon) +
                             " myWidth: " + std::to_string(width_) + " myHeight:" + std::to_string(height_);
    detail::ReportCurrentException(name.c_str(), kClass, false);
  }
}

}  // namespace mellox
