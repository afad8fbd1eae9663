#include "host/NetEchoHandler.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <variant>
#include <vector>

#include "chat/ChatTextHandler.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/HostPeers.h"
#include "platform/PluginSite.h"
#include "platform/World.h"
#include "tracking/SpellFilterHandler.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace {

constexpr const char* kClass = "NetEchoHandler";

constexpr std::int32_t kLoginXPFlag = 0x80;
constexpr std::int32_t kIdentifyHealthFlag = 0x100;
constexpr std::int32_t kOptionsWindowsFlag = 0x200;
constexpr std::int32_t kWindowsOptionType = 0x1000008C;
constexpr std::int32_t kWindowType = 0x1000008B;
constexpr std::int32_t kFilterMaskKey = 0x1000007F;

struct MaskRow {
  std::int32_t mask;
  std::vector<std::int16_t> types;
};

// Window filter mask -> chat types. Row 1 also routes type 6, which its mask
// does not hold; row 4 routes it as well.
const std::array<MaskRow, 12> kChatWindowFilterMasks{{
    {0x03912021, {0, 5, 6, 13, 16, 20, 23, 24, 25}},
    {0x00001004, {2, 12}},
    {0x00000018, {3, 4}},
    {0x00600040, {21, 22, 6}},
    {0x00020080, {17, 7}},
    {0x00040C00, {10, 11, 18}},
    {0x00080000, {19}},
    {0x04000000, {26}},
    {0x08000000, {27}},
    {0x10000000, {28}},
    {0x20000000, {29}},
    {0x40000000, {30}},
}};

// The routes used when the server's options route nothing, per window index.
const std::array<std::vector<std::int16_t>, 5> kDefaultRoutes{{
    {0, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 27, 28, 29, 30},
    {2, 3, 4, 12},
    {10, 11, 18},
    {19},
    {27, 28, 29, 30},
}};

ChatTextHandler& ChatText() {
  if (!ChatTextHandlerInstance) Raise(91);
  return *ChatTextHandlerInstance;
}

Statistics& Stats() {
  if (!StatisticsInstance) Raise(91);
  return *StatisticsInstance;
}

// A message part that must be there; the pointer is kept by the caller.
template <class T>
std::shared_ptr<T> Need(std::shared_ptr<T> p) {
  if (!p) Raise(91);
  return p;
}

// A field as a 32-bit integer. Whole numbers up to 2^32 - 1 keep their bit
// pattern (masks and ids are unsigned on the wire); an absent field raises 5.
std::int32_t Long32(const platform::Variant& v) {
  return std::visit(
      [](const auto& x) -> std::int32_t {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          Raise(5);
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          if (x < std::numeric_limits<std::int32_t>::min() || x > std::numeric_limits<std::uint32_t>::max()) Raise(6);
          return static_cast<std::int32_t>(static_cast<std::uint32_t>(x));
        } else if constexpr (std::is_same_v<T, double>) {
          return vb::CLng(x);
        } else if constexpr (std::is_same_v<T, bool>) {
          return x ? -1 : 0;
        } else {
          return vb::CLng(std::string_view(x));
        }
      },
      v.value);
}

double Real(const platform::Variant& v) {
  return std::visit(
      [](const auto& x) -> double {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          Raise(5);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return vb::CDbl(x);
        } else if constexpr (std::is_same_v<T, bool>) {
          return x ? -1.0 : 0.0;
        } else {
          return static_cast<double>(x);
        }
      },
      v.value);
}

std::string Text(const platform::Variant& v) {
  return std::visit(
      [](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          Raise(5);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return x;
        } else if constexpr (std::is_same_v<T, bool>) {
          return x ? "True" : "False";
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          return vb::CStr(x);
        } else {
          return vb::CStr(x);
        }
      },
      v.value);
}

// The last zero-based index of a count field; -1 (no element) for a count
// of 0 or less, and counts beyond the 16-bit range raise 6.
std::int32_t LastIndex(const platform::Variant& count) {
  return vb::CInt(static_cast<double>(Long32(count)) - 1.0);
}

}  // namespace

NetEchoHandler::NetEchoHandler() {
  Trap("Class_Initalize", kClass, [&] {
    Hub::wtcw_debug("Net Echo Handler Init");
    if (!Site) Raise(91);
    NetEcho = std::static_pointer_cast<platform::EchoFilter2>(Site->GetServiceByPath(platform::kEchoFilterServicePath));
    serverEvent_ = NetEcho->EchoServer.Connect(
        [this](const std::shared_ptr<platform::NetworkMessage>& msg) { NetEcho_EchoServer(msg); });
    clientEvent_ = NetEcho->EchoClient.Connect(
        [this](const std::shared_ptr<platform::NetworkMessage>& msg) { NetEcho_EchoClient(msg); });
  });
}

NetEchoHandler::~NetEchoHandler() {
  serverEvent_.Disconnect();
  clientEvent_.Disconnect();
  Trap("Class_Terminate", kClass, [] { Hub::wtcw_debug("Net Echo Handler Terminate"); });
  NetEcho.reset();
}

void NetEchoHandler::ResetXPBools() {
  TotalXPSeen = false;
  UnassXPSeen = false;
}

void NetEchoHandler::ResetHealth() {
  health_ = {};
}

double NetEchoHandler::DoubleFromQword(const std::string& bytes) {
  if (bytes.size() < 8) Raise(9);
  double result = 0;
  for (int i = 7; i >= 0; --i) result = result * 256 + static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
  return result;
}

void NetEchoHandler::NetEcho_EchoServer(const std::shared_ptr<platform::NetworkMessage>& message) {
  Trap("NetEcho_EchoMessage", kClass, [&] {
    platform::NetworkMessage& msg = *Need(message);
    const std::int32_t type = msg.Type();
    if (type == kXPUpdate) {
      XPUpdate(msg);
    } else if (type == kEffect) {
      HostPeers::TargetDebuff(Long32(msg.Value("object")), Long32(msg.Value("effect")), Long32(msg.Value("speed")));
    } else if (type == kGameEvent) {
      const std::int32_t event = Long32(msg.Value("event"));
      if (event == kLoginEvent) {
        LoginDescription(msg);
      } else if (event == kKillEvent) {
        KillMessageText = Text(msg.Value("text"));
      } else if (event == kIdentifyEvent) {
        IdentifyResult(msg);
      } else if (event == kHealthEvent) {
        HealthUpdate(msg);
      }
    }
  });
}

void NetEchoHandler::NetEcho_EchoClient(const std::shared_ptr<platform::NetworkMessage>& message) {
  Trap("EchoClient", kClass, [&] {
    platform::NetworkMessage& msg = *Need(message);
    if (msg.Type() == kGameAction && Long32(msg.Value("action")) == kOptionsAction) HandleOptions(msg);
  });
}

void NetEchoHandler::XPUpdate(platform::NetworkMessage& msg) {
  const std::int32_t key = Long32(msg.Value("key"));
  if (key == 1) {
    TotalXP = DoubleFromQword(msg.RawValue("value"));
    TotalXPSeen = true;
  } else if (key == 2) {
    UnassXP = DoubleFromQword(msg.RawValue("value"));
    UnassXPSeen = true;
    // Unassigned XP was spent: the statistics follow at once, without a line.
    if (UnassXP < Stats().CharUnXP()) {
      Stats().ChangeXP(false);
      UnassXPSeen = false;
    }
  } else {
    return;
  }
  // The XP line only once both halves of a gain have arrived, in either order.
  if (TotalXPSeen && UnassXPSeen) {
    TotalXPSeen = false;
    UnassXPSeen = false;
    Stats().ChangeXP(true);
  }
}

void NetEchoHandler::LoginDescription(platform::NetworkMessage& msg) {
  // A login starts from its own description: 0 where it holds no XP (a new
  // character), and no half of the last character's gain.
  TotalXP = 0;
  UnassXP = 0;
  ResetXPBools();
  auto props = Need(msg.Struct("properties"));
  if ((Long32(props->Value("flags")) & kLoginXPFlag) != 0) {
    const std::int32_t last = LastIndex(props->Value("qwordCount"));
    if (last >= 0) {
      auto qwords = Need(props->Struct("qwords"));
      for (std::int32_t i = 0; i <= last; ++i) {
        auto q = Need(qwords->Element(i));
        const std::int32_t key = Long32(q->Value("key"));
        if (key == 1) {
          TotalXP = DoubleFromQword(q->RawValue("value"));
        } else if (key == 2) {
          UnassXP = DoubleFromQword(q->RawValue("value"));
        }
      }
    }
  }
  HandleOptions(msg);
}

void NetEchoHandler::IdentifyResult(platform::NetworkMessage& msg) {
  if (Long32(msg.Value("success")) != 1) return;
  std::shared_ptr<platform::WorldObject> target;
  if (!HostPeers::TargetGetObject(target)) return;
  if (Long32(msg.Value("object")) != target->Id()) return;
  if ((Long32(msg.Value("flags")) & kIdentifyHealthFlag) != 0) {
    IDHealth = Long32(msg.Value("health"));
    IDHealthMax = Long32(msg.Value("healthMax"));
    // A maximum of 0 says nothing about the health: shown as full, as after a reset.
    IDHealthPer = IDHealthMax != 0 ? static_cast<double>(IDHealth) / IDHealthMax : 1.0;
    if (IDHealthPer > 1.0) IDHealthPer = 1.0;
    HostPeers::TargetUpdateHealth(true);
  }
  IDSpells.clear();
  const std::int32_t last = LastIndex(msg.Value("spellCount"));
  if (last >= 0) {
    if (!SpellFilterHandlerInstance) Raise(91);
    auto spells = Need(msg.Struct("spells"));
    for (std::int32_t i = 0; i <= last; ++i) {
      const std::int32_t id = Long32(Need(spells->Element(i))->Value("spell"));
      IDSpells += SpellFilterHandlerInstance->GetName(id) + ";";
    }
    HostPeers::TargetCreateHUD();
  }
}

void NetEchoHandler::HealthUpdate(platform::NetworkMessage& msg) {
  std::shared_ptr<platform::WorldObject> target;
  if (!HostPeers::TargetGetObject(target)) return;
  if (Long32(msg.Value("object")) != target->Id()) return;
  IDHealthPer = Real(msg.Value("health"));
  if (IDHealthMax != 0) IDHealth = vb::CLng(IDHealthMax * IDHealthPer);
  HostPeers::TargetUpdateHealth(true);
}

void NetEchoHandler::HandleOptions(platform::NetworkMessage& msg) {
  Trap("HandleOptions", kClass, [&] {
    ChatTextHandler& chat = ChatText();
    chat.ResetTargetList();
    auto opts = Need(msg.Struct("options"));
    if ((Long32(opts->Value("flags")) & kOptionsWindowsFlag) != 0) {
      const std::int32_t lastProp = LastIndex(opts->Value("optionPropertyCount"));
      if (lastProp >= 0) {
        auto props = Need(opts->Struct("optionProperties"));
        for (std::int32_t i = 0; i <= lastProp; ++i) {
          auto prop = Need(props->Element(i));
          if (Long32(prop->Value("type")) != kWindowsOptionType) continue;
          // Windows beyond the five the table holds are ignored.
          const std::int32_t lastWindow =
              std::min<std::int32_t>(LastIndex(prop->Value("windowCount")), ChatTextHandler::kWindowCount - 1);
          if (lastWindow < 0) continue;
          auto windows = Need(prop->Struct("windows"));
          for (std::int32_t j = 0; j <= lastWindow; ++j) {
            auto window = Need(windows->Element(j));
            if (Long32(window->Value("type")) != kWindowType) continue;
            const std::int32_t lastKey = LastIndex(window->Value("propertyCount"));
            if (lastKey < 0) continue;
            auto wprops = Need(window->Struct("properties"));
            for (std::int32_t k = 0; k <= lastKey; ++k) {
              auto p = Need(wprops->Element(k));
              if (Long32(p->Value("key")) != kFilterMaskKey) continue;
              const std::int32_t mask = Long32(p->Value("value"));
              for (const MaskRow& row : kChatWindowFilterMasks) {
                if ((mask & row.mask) == 0) continue;
                for (std::int16_t t : row.types) chat.SetTargetList(static_cast<std::int16_t>(j), t, true);
              }
            }
          }
        }
      }
    }
    if (chat.TargetListCount == 0) {
      for (std::size_t w = 0; w < kDefaultRoutes.size(); ++w)
        for (std::int16_t t : kDefaultRoutes[w]) chat.SetTargetList(static_cast<std::int16_t>(w), t, true);
    }
  });
}

}  // namespace mellox
