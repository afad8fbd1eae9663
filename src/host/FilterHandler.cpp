#include "host/FilterHandler.h"

#include "chat/CellValue.h"
#include "chat/ChatTextHandler.h"
#include "chat/LogHandler.h"
#include "core/APluginCore.h"
#include "core/DHSHandler.h"
#include "core/EventQueue.h"
#include "core/Globals.h"
#include "core/Hub.h"
#include "core/KeyboardAC.h"
#include "core/TimeModule.h"
#include "core/TimerHandler.h"
#include "core/Trap.h"
#include "core/VB.h"
#include "core/VBError.h"
#include "host/HostPeers.h"
#include "host/NetEchoHandler.h"
#include "persistence/DataFile.h"
#include "persistence/PersistenceLinks.h"
#include "persistence/SettingsFile.h"
#include "platform/PluginSite.h"
#include "platform/System.h"
#include "settings_view/ControlHandler.h"
#include "tracking/CorpseHandler.h"
#include "tracking/SpellHandler.h"
#include "tracking/Statistics.h"

namespace mellox {

namespace {

constexpr const char* kClass = "FilterHandler";
constexpr const char* kLoginProc = "LoginComplete";
// The chat link the event queue writes; a click on it runs the queue.
constexpr const char* kEventQueueLinkText = "[Mellox]";
constexpr std::int32_t kEventQueueLinkId = 463072;
// Character properties: the augmentation counts read at login and by Augs.
constexpr std::int32_t kLoginAugsKey = 238;
constexpr std::int32_t kAugsKey = 232;
constexpr std::int32_t kFoodClass = 6;
constexpr std::int32_t kKitClass = 29;
constexpr std::int32_t kNameKey = 1;
// The 3D view's rectangle as the HUDs place themselves: moved this far down.
constexpr std::int32_t kHudTitleOffset = 28;

template <class T>
T& Instance(T* instance) {
  if (!instance) Raise(91);
  return *instance;
}

ControlHandler& Controls() { return Instance(ControlHandlerInstance); }

void StopTimer(ObjRef<platform::HostTimer>& timer) {
  if (timer) timer->Stop();
}

// "/x ..." or "@x ...": the plug-in's own commands.
bool IsOwnCommand(const std::string& text) {
  return text.size() >= 3 && (text[0] == '/' || text[0] == '@') && (text[1] == 'x' || text[1] == 'X') &&
         text[2] == ' ';
}

// Positions are kept with one decimal, formatted and read back.
double OneDecimal(double x) { return vb::Val(vb::FormatFixed(x, 1)); }

// The refresh interval chosen for the main HUD; the default when nothing is
// selected or the choice's data is unusable (reported).
std::int32_t MainHudInterval() {
  std::int32_t interval = TimerHandler::kDefaultMainHUDInterval;
  Trap(kLoginProc, kClass, [&] {
    auto& choice = *Controls().HudTimeout;
    const std::int32_t selected = choice.SelectedGet();
    if (selected >= 0) interval = CellLong(choice.DataGet(selected));
  });
  return interval > 0 ? interval : TimerHandler::kDefaultMainHUDInterval;
}

}  // namespace

FilterHandler::FilterHandler() {
  HostPeers::Reset();
  Trap("FilterHandler_Initialize", kClass, [&] {
    Hub::wtcw_debug("Filter Handler Init");
    UseCharge = platform::Sys().CreateTimer();
    WaitforScan = platform::Sys().CreateTimer();
    events_.push_back(UseCharge->Timeout.Connect([this] { UseCharge_Timeout(); }));
    events_.push_back(WaitforScan->Timeout.Connect([this] { WaitforScan_Timeout(); }));
    if (!Site) Raise(91);
    ACHooks = ObjRef<platform::ACHooks>::Borrow(&Site->GetHooks());
    World = std::static_pointer_cast<platform::World>(Site->GetServiceByPath(platform::kWorldServicePath));
    Char = std::static_pointer_cast<platform::CharacterStats>(
        Site->GetServiceByPath(platform::kCharacterStatsServicePath));

    auto& hooks = *ACHooks;
    events_.push_back(hooks.ChatTextIntercept.Connect(
        [this](const std::string& t, std::int32_t c, std::int32_t w, bool& eat) { ACHooks_ChatTextIntercept(t, c, w, eat); }));
    events_.push_back(
        hooks.ChatParserIntercept.Connect([this](const std::string& t, bool& eat) { ACHooks_ChatParserIntercept(t, eat); }));
    events_.push_back(
        hooks.StatusTextIntercept.Connect([this](const std::string& t, bool& eat) { ACHooks_StatusTextIntercept(t, eat); }));
    events_.push_back(hooks.ChatClickIntercept.Connect(
        [this](const std::string& t, std::int32_t id, bool& eat) { ACHooks_ChatClickIntercept(t, id, eat); }));
    events_.push_back(hooks.ContainerOpened.Connect([this](std::int32_t id) { ACHooks_ContainerOpened(id); }));
    events_.push_back(hooks.ObjectSelected.Connect([this](std::int32_t id) { ACHooks_ObjectSelected(id); }));
    events_.push_back(hooks.AC3DRegionChanged.Connect(
        [this](std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) { ACHooks_AC3DRegionChanged(l, t, r, b); }));
    if (World) {
      using ObjPtr = const std::shared_ptr<platform::WorldObject>&;
      events_.push_back(World->CreateObject.Connect([this](ObjPtr o) { World_CreateObject(o); }));
      events_.push_back(World->ChangeObject.Connect([this](ObjPtr o, std::int32_t c) { World_ChangeObject(o, c); }));
      events_.push_back(World->MoveObject.Connect([this](ObjPtr o) { World_MoveObject(o); }));
      events_.push_back(World->ReleaseObject.Connect([this](ObjPtr o) { World_ReleaseObject(o); }));
    }
    if (Char) {
      events_.push_back(Char->LoginComplete.Connect([this] { Char_LoginComplete(); }));
      events_.push_back(Char->Logoff.Connect([this] { Char_Logoff(0); }));
      events_.push_back(Char->ChangeEnchantments.Connect(
          [this](std::int32_t c, const std::shared_ptr<platform::Enchantment>& e) { Char_ChangeEnchantments(c, e); }));
      events_.push_back(Char->ChangePortalMode.Connect([this](std::int32_t m) { Char_ChangePortalMode(m); }));
      events_.push_back(
          Char->ChangeVital.Connect([this](std::int32_t vital, std::int32_t value) { Char_ChangeVital(vital, value); }));
      events_.push_back(Char->Death.Connect([this](const std::string& m) { Char_Death(m); }));
    }

    HealthSound = std::make_shared<DX8Sound>();
    StaminaSound = std::make_shared<DX8Sound>();
    ManaSound = std::make_shared<DX8Sound>();
    Dev = false;
  });
  // The settings and data files are named after the character whose login
  // read them.
  Links().GetMyServer = [this] { return login_.open ? login_.filesServer : GetMyServer(); };
  Links().GetMyCharName = [this] { return login_.open ? login_.filesCharacter : GetMyCharName(); };
}

FilterHandler::~FilterHandler() {
  Links().GetMyServer = nullptr;
  Links().GetMyCharName = nullptr;
  events_.clear();
  Trap("Class_Terminate", kClass, [&] {
    Hub::wtcw_debug("Filter Handler Terminate");
    // Stopped before release so no timeout can outlive its handler.
    StopTimer(UseCharge);
    StopTimer(WaitforScan);
  });
  UseCharge.reset();
  WaitforScan.reset();
  ACHooks.reset();
  World.reset();
  Char.reset();
  HealthSound.reset();
  StaminaSound.reset();
  ManaSound.reset();
  HostPeers::Reset();
}

// --- Chat output and commands ------------------------------------------------------

void FilterHandler::WriteToChatWindow(const std::string& text, std::int32_t color, std::int32_t window) {
  ACHooks->AddChatLine(text, color, window);
}

void FilterHandler::WriteToChatWindowRaw(const std::string& text, std::int32_t color, std::int32_t window) {
  ACHooks->AddChatLineRaw(text, color, window);
}

void FilterHandler::SendCommand(const std::string& text) { ACHooks->InvokeChatParser(text); }

bool FilterHandler::ChatState() {
  bool result = false;
  Trap("ChatState", kClass, [&] { result = ACHooks->ChatState(); });
  return result;
}

// --- 3D view and identification -----------------------------------------------------

platform::Rect FilterHandler::Get3DRegion() { return ACHooks->Get3DRegion(); }

platform::Rect FilterHandler::Get3DRect() {
  const platform::Rect r = ACHooks->Get3DRegion();
  return {r.left, r.top + kHudTitleOffset, r.right, r.bottom + kHudTitleOffset};
}

void FilterHandler::IDObject(std::int32_t& id) { ACHooks->RequestIdentify(id); }

// --- Character services ----------------------------------------------------------------

void FilterHandler::FriendsOnline() {
  doneFriends = false;
  ControlHandler& c = Controls();
  const std::int32_t row = c.FindName("Show Friends Online on Login", "ChatOptions");
  if (CellBool(c.ChatOptions->DataGet(0, row, 0))) {
    Hub::wtcw_debug("Checking Friends Online");
    doneFriends = true;
    SendCommand("/friends online");
  }
}

void FilterHandler::Augs() {
  std::int32_t value = 0;
  if (Char->TryGetLongProperty(kAugsKey, value)) {
    Hub::wtcw_debug("Enduring Enchantment Count: " + vb::CStr(value));
    Instance(SpellHandlerInstance).Augs = value;
  }
}

// --- Login and logoff --------------------------------------------------------------------

void FilterHandler::Char_LoginComplete() {
  // Each step on its own trap: a failing step is reported and the later
  // ones still run, so the plug-in is never left half started.
  auto step = [](auto&& body) { Trap(kLoginProc, kClass, body); };

  // The game logs off before the next login; should it not, the login still
  // open ends here as a logoff ends it, so nothing of its character is lost.
  if (login_.open) EndLogin();
  step([] { Hub::wtcw_debug("Login Complete Begin"); });
  BeginLogin();
  step([] { Controls().stVersion->TextLet(std::string(kPluginName) + " v" + SettingsFile::kFormatVersion); });
  step([] { Controls().Data_Load(0); });
  step([] {
    // This character's settings have to load before anything is saved or
    // the plug-in goes on.
    SettingsState = 0;
    Controls().Settings_Load(0);
  });
  if (SettingsState != 2) {
    Hub::wtcw_error("Unknown settings load failure! Plugin inactive.");
    return;
  }

  step([] { Instance(StatisticsInstance).InitStatistics(); });
  step([] { HostPeers::InitSpells(); });
  step([] { HostPeers::UpdateCorpseList(); });
  step([&] {
    if (!Controls().LogoutTimer->CheckedGet()) return;
    Hub::wtcw_debug("Logout Extended");
    SetIdleTime(kExtendedIdleSeconds);
  });
  step([] {
    // A second login replaces the hotkey handler of the first.
    Instance(PluginCoreInstance).CreateDHSHandler();
    if (DHSHandlerInstance && DHSHandlerInstance->IsEnabled) {
      Hub::wtcw_debug("Hotkeys Enabled");
      HostPeers::AddHotKeys();
    }
  });
  if (!HudCreateFailed) {
    step([] { HostPeers::MainCreateHUD(); });
    step([] { HostPeers::ItemCreateHUD(); });
    step([] { HostPeers::ClockCreateHUD(); });
    step([] { HostPeers::StatusCreateHUD(); });
    step([] { HostPeers::TargetCreateHUD(); });
  }
  step([&] {
    std::int32_t value = 0;
    if (!Char->TryGetLongProperty(kLoginAugsKey, value)) return;
    Hub::wtcw_debug("Archmage's Endurance Count: " + vb::CStr(value));
    Instance(SpellHandlerInstance).Augs = value;
  });

  PluginActive = true;

  step([] { Instance(SpellHandlerInstance).BuildSpellList(); });
  step([] { Instance(SpellHandlerInstance).UpdateSpellList(); });
  step([] { Instance(TimerHandlerInstance).StartCoreTimer(); });
  step([] { Instance(TimerHandlerInstance).StartMainHUDTime(MainHudInterval()); });
  step([&] { Instance(EventQueueInstance).Resume(FilesKey()); });
  step([] {
    if (!Controls().ToggleVitals->CheckedGet()) return;
    Hub::wtcw_debug("Vitals Toggled");
    Hub::SendClick(20, 10);
    Hub::SendClick(20, 10);
  });
  step([] { Hub::wtcw("Plugin Loaded! Type /x help for commands."); });
  step([] { HostPeers::FindFood(); });
  step([] { HostPeers::FindKits(); });
  step([] {
    if (!Controls().FillMana->CheckedGet()) return;
    Hub::wtcw_debug("Filling Mana");
    HostPeers::FillMana(true);
  });
  step([] { Instance(TimerHandlerInstance).StartStartupDelay(); });
  step([&] {
    ControlHandler& c = Controls();
    if (!c.ChatLogAuto->CheckedGet()) return;
    Hub::wtcw_debug("Starting Automatic Logging");
    LogHandler& log = Instance(LogHandlerInstance);
    log.logfile(LogHandler::AutomaticName(c.ChatLogByDate->CheckedGet()));
    log.FileLogging(true);
  });
  step([&] { Instance(LogHandlerInstance).ResumeFileLog(FilesKey()); });
  step([] { Hub::wtcw_debug("Login Complete End"); });
}

void FilterHandler::Char_Logoff(std::int32_t) { EndLogin(); }

// Where each piece of state lives. One character at a time: a character
// plays after another exactly as in a fresh run (tests/app/
// LoginComparisonTest.cpp proves it). The line is what the next login
// shows, tells, plays or writes: whatever would change that is the login's,
// wherever it is kept. Every member of every handler and every global is
// of one of three kinds.
//
// The run's (kept across logins; no character's), each with its reason:
//   - the plug-in's parts: the handlers, their timers, connections and
//     sounds as objects, the view and its controls as objects, the HUD
//     engines and surfaces, the view's snapshot;
//   - the clock HUD's count-down and count-up timers (DnTimeEnd,
//     UpTimeStart): the player's, started with buttons that work with no
//     one logged in, never saved; only the game's close ends them;
//   - the pointer (MousePos, ReleasePos, DragOffset): where the mouse is;
//   - places every load sets again: the view's (ViewLeft/Top), the HUD
//     windows' between loads and the window state kept for a HUD without
//     an engine (HudRoster);
//   - tables and caches keyed by content: ChatColors, ChatColorHex,
//     FontNames, the chat-type table, the spell table, the list caches;
//   - developer switches: DebugMode, DebugSilent, Dev, ShowChatTypes;
//   - the game's and the machine's: HudCreateFailed (the render service),
//     the spell table's absence, told once (SpellFilterHandler), the game's
//     idle time (idleExtended_; set back to the game's own at each start);
//   - the chat log's message ids: only unique, never shown;
//   - the error and debug files and the errors file's generation: one file
//     for every character (the counts of faults are the login's, below);
//   - what waits for another character's next login: its paused event
//     queue (EventQueue::paused_) and the chat-log lines its file would not
//     take (LogHandler::keptLines_).
// The character's files (loaded at login, saved at EndLogin):
//   every setting the view holds (settings file; an element it lacks comes
//   from the defaults file), hence the alias, rule, filter, colour, HUD,
//   item-HUD, one-touch, alarm and chat-log settings, the log limit, the
//   event queue's autorun, the alarms' sounds and the lists' selected rows;
//   the data file: corpses (with the corpse handler's login state, replaced
//   whole when the data load starts), item spells and their seconds left,
//   the chat log's lines and its save marks, the global-settings choice;
//   the chat-log file itself.
// A login's own, each in one value replaced whole:
//   - by the login description: the XP it starts from (NetEchoHandler:
//     TotalXP, UnassXP and the halves received) and the chat routes;
//   - by BeginLogin, before the loads: first the counts of faults raised
//     with nobody logged in, told (so this login hears its own in full);
//     every control of the view as InitControls left it
//     (ControlHandler::ResetForLogin); the five HUDs
//     removed with what they showed and their owners' login state (the item
//     HUD's last counts, so its first refresh warns of what this character
//     carries; the clock's last minute; the status lines; the target and
//     its debuffs); each HUD window's place, docking and title bar as a new
//     window has them (a settings file without its element takes nothing
//     from the last login); the login state (login_) of this handler,
//     ChatTextHandler, SpellHandler, Statistics, LogHandler (the page's
//     search, filter and sort) and EventQueue; the game's idle time back
//     to its own;
//   - by the login sequence after the loads: the figures (InitStatistics),
//     the hotkey handler, PluginActive and SettingsState, and what the
//     settings load sets (SettingsLoadFailed, the lists' selections);
//   - by each selection: the target's health and spells (NetEchoHandler).
// EndLogin ends what runs: the bursts of spell lines (handled as the
// character's), the chat-log file (its XML document dropped whole, with its
// encoding) and its waiting lines, written whether or not logging is still
// on (those the file would not take kept for that character's next login),
// the timers, the event queue (kept likewise; a login whose settings do not
// load never takes it up), the keys still to type (KeyboardAC's login
// state), the settings saves the disk refused (tried once more, then given
// up), the sounds, a HUD pressed or dragged and the title bars' fade
// (PressPos, each window's mouse state, dropped whole; the HUDs stay where
// they are), the kill line's text (KillMessageText) set back to the opening
// one (the game names it for a character's kills; one it sends with nobody
// logged in is the next login's, so the start leaves it), and the faults
// the error reporter only counted, told now so the next login is told its
// own in full.
void FilterHandler::BeginLogin() {
  // Faults raised with nobody logged in and only counted are told now, so
  // this login hears its own in full.
  Hub::TellRepeatedErrors();
  login_ = {};
  login_.open = true;
  Trap(kLoginProc, kClass, [&] {
    login_.filesServer = GetMyServer();
    login_.filesCharacter = GetMyCharName();
  });
  // First what the last login showed goes, also when this one's settings fail to load.
  Trap(kLoginProc, kClass, [] { Controls().ResetForLogin(); });
  Trap(kLoginProc, kClass, [] { HostPeers::HudsResetForLogin(); });
  Trap(kLoginProc, kClass, [&] {
    if (idleExtended_) SetIdleTime(kNormalIdleSeconds);
  });
  Trap(kLoginProc, kClass, [] { Instance(ChatTextHandlerInstance).ResetForLogin(); });
  Trap(kLoginProc, kClass, [] { Instance(SpellHandlerInstance).ResetForLogin(); });
  Trap(kLoginProc, kClass, [] { Instance(StatisticsInstance).ResetForLogin(); });
  Trap(kLoginProc, kClass, [] { Instance(LogHandlerInstance).ResetForLogin(); });
  Trap(kLoginProc, kClass, [] { Instance(EventQueueInstance).ResetForLogin(); });
}

void FilterHandler::EndLogin() {
  if (PluginActive) {
    // A burst of spell lines under way is this character's: handled now, saved below.
    Trap("Char_Logoff", kClass, [] {
      if (ChatTextHandlerInstance) ChatTextHandlerInstance->EndSpellBursts();
    });
    // Died and logged off before leaving portal space: the corpse lies in the
    // world all the same and belongs in this character's file.
    Trap("Char_Logoff", kClass, [] {
      if (HostPeers::CorpseHasDied()) HostPeers::AddCorpse();
    });
    // The lines still waiting for the core tick are this character's, also
    // when the file was closed since they were logged: the tick writes them
    // whether logging is on or not, and so does the end.
    Trap("Char_Logoff", kClass, [] {
      if (LogHandlerInstance) LogHandlerInstance->WriteFileLog();
    });
    Trap("Char_Logoff", kClass, [] { Controls().Settings_Save(0); });
    Trap("Char_Logoff", kClass, [&] {
      if (LogHandlerInstance) LogHandlerInstance->TakeDataSaveRequest();
      Controls().Data_Save();
    });
  }
  // Also the global file's, when the character's own were in use since.
  Trap("Char_Logoff", kClass, [] { Controls().Settings_SaveOwed(true); });
  PluginActive = false;
  SettingsState = 0;
  DataFile::Close();
  Trap("Char_Logoff", kClass, [&] {
    if (LogHandlerInstance) LogHandlerInstance->EndFileLog(FilesKey());
  });
  Trap("Char_Logoff", kClass, [] { Instance(TimerHandlerInstance).StopForLogoff(); });
  Trap("Char_Logoff", kClass, [&] { Instance(EventQueueInstance).Pause(FilesKey()); });
  // A HUD pressed or held by its title bar stays where it is: the next
  // login's pointer neither drags nor clicks it.
  Trap("Char_Logoff", kClass, [] { HostPeers::EndHudDrag(); });
  // Keys still queued would land on another screen or another character's chat bar.
  Trap("Char_Logoff", kClass, [] {
    if (KeyboardACInstance) KeyboardACInstance->Cancel();
  });
  Trap("Char_Logoff", kClass, [&] {
    StopTimer(UseCharge);
    StopTimer(WaitforScan);
    login_.PeaState = 0;
  });
  for (ObjRef<DX8Sound>* sound : {&HealthSound, &StaminaSound, &ManaSound})
    Trap("Char_Logoff", kClass, [&] {
      if (*sound && (*sound)->Status() > 0) (*sound)->StopPlay();
    });
  // This character's kill text goes with it; a text the game sends before
  // the next login is that login's.
  KillMessageText = kInitialKillMessageText;
  // The faults only counted are told to this character, and the next login
  // is told its own in full, not silenced by this one's.
  Hub::TellRepeatedErrors();
  login_.open = false;
}

// --- Character events ---------------------------------------------------------------------

void FilterHandler::Char_ChangeEnchantments(std::int32_t, const std::shared_ptr<platform::Enchantment>&) {
  Trap("Char_ChangeEnchantments", kClass, [] {
    if (PluginActive) Instance(SpellHandlerInstance).RebuildList = true;
  });
}

void FilterHandler::Char_ChangePortalMode(std::int32_t mode) {
  Trap("Char_ChangePortalMode", kClass, [&] {
    if (!PluginActive || mode != 1 || !HostPeers::CorpseHasDied()) return;
    HostPeers::AddCorpse();
    Instance(SpellHandlerInstance).RebuildList = true;
  });
}

void FilterHandler::Char_Death(const std::string&) {
  Trap("Char_Death", kClass, [] {
    if (PluginActive) HostPeers::CharDeath();
  });
}

// --- Game-hook intercepts -------------------------------------------------------------------

void FilterHandler::ACHooks_ChatTextIntercept(const std::string& text, std::int32_t color, std::int32_t window,
                                              bool& eat) {
  std::string line = text;
  if (!line.empty() && line.back() == '\n') line.pop_back();
  bool show = true;
  Trap("ACHooks_ChatTextIntercept", kClass, [&] {
    show = Instance(ChatTextHandlerInstance).IncomingText(line, color, window, false, false);
  });
  eat = !show;
}

void FilterHandler::ACHooks_ChatParserIntercept(const std::string& text, bool& eat) {
  const std::string typed = vb::Trim(text);
  bool send = true;
  const bool ok = Trap("ACHooks_ChatParserIntercept", kClass,
                       [&] { send = Instance(ChatTextHandlerInstance).OutgoingText(typed); });
  // On a failure only the plug-in's own commands are kept from the game.
  if (!ok) send = !(PluginActive && IsOwnCommand(typed));
  eat = !send;
}

void FilterHandler::ACHooks_StatusTextIntercept(const std::string& text, bool& eat) {
  if (!PluginActive) return;
  Trap("ACHooks_StatusTextIntercept", kClass, [&] {
    if (text == "You are too encumbered to sell that!") HostPeers::StopPeasEncumbered();
    HostPeers::StatusAddMessage(text);
    ControlHandler& c = Controls();
    if (c.StatusText->CheckedGet()) {
      if (c.ShowErrors->CheckedGet()) Instance(ChatTextHandlerInstance).WriteError(text);
      eat = true;
    }
  });
}

void FilterHandler::ACHooks_ChatClickIntercept(const std::string& text, std::int32_t id, bool& eat) {
  eat = false;
  if (text != kEventQueueLinkText || id != kEventQueueLinkId) return;
  Trap("ACHooks_ChatClickIntercept", kClass, [] { HostPeers::RunEventQueue(); });
  eat = true;
}

void FilterHandler::ACHooks_ContainerOpened(std::int32_t containerId) {
  Trap("ACHooks_ContainerOpened", kClass, [&] {
    if (!PluginActive || !Controls().CorpsesAuto->CheckedGet()) return;
    auto obj = World->ObjectById(containerId);
    if (!obj || !IsMyCorpse(obj->StringProperty(kNameKey, ""))) return;
    // The character stands at its corpse when it opens it.
    HostPeers::OpenCorpse(GetRawNS(), GetRawEW(), containerId);
  });
}

// --- World, selection and 3D view --------------------------------------------------------------

void FilterHandler::ACHooks_AC3DRegionChanged(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
  Trap("ACHooks_AC3DRegionChanged", kClass, [] {
    if (PluginActive) HostPeers::UpdateHudPositions();
  });
}

void FilterHandler::ACHooks_ObjectSelected(std::int32_t id) {
  Trap("ACHooks_ObjectSelected", kClass, [&] {
    if (!PluginActive) return;
    Instance(NetEchoHandlerInstance).ResetHealth();
    auto obj = id != 0 ? World->ObjectById(id) : nullptr;
    if (obj) {
      // Not identified within the current second: ask again.
      if (obj->LastIdentified() < TimeModule::LocalToUnix(platform::Sys().Now())) ACHooks->RequestIdentify(id);
      HostPeers::TargetSetObject(obj);
      HostPeers::TargetCreateHUD();
    } else {
      Hub::wtcw_debug("Target = Nothing");
      HostPeers::TargetSetObject(nullptr);
      HostPeers::TargetRemoveTitle();
      HostPeers::TargetCreateHUD();
    }
  });
}

void FilterHandler::World_ChangeObject(const std::shared_ptr<platform::WorldObject>& obj, std::int32_t change) {
  Trap("World_ChangeObject", kClass, [&] {
    if (!PluginActive) return;
    const std::int32_t id = Instance(obj.get()).Id();
    if (!World->ObjectById(id)) {
      Hub::wtcw_debug("ChangeObject - Exit on Nothing");
      return;
    }
    if (change < 0 || change > 3) return;
    if (change <= 1) UpdateItemHUD(obj);
    std::shared_ptr<platform::WorldObject> target;
    if (HostPeers::TargetGetObject(target) && target->Id() == id) HostPeers::TargetCreateHUD();
  });
}

void FilterHandler::World_CreateObject(const std::shared_ptr<platform::WorldObject>& obj) {
  Trap("World_CreateObject", kClass, [&] {
    if (!PluginActive) return;
    const std::int32_t id = Instance(obj.get()).Id();
    if (!World->ObjectById(id)) {
      Hub::wtcw_debug("CreateObject - Exit on Nothing");
      return;
    }
    const std::string name = obj->Name();
    if (HostPeers::CorpseHasDied() && IsMyCorpse(name)) {
      double ns = 0;
      double ew = 0;
      obj->Coordinates(ns, ew);
      HostPeers::NewCorpse(id, OneDecimal(ns), OneDecimal(ew));
    }
    if (obj->Owner() == GetMyCharGUID() && name == "Trade Note (250,000)" && login_.PeaState != 0) {
      Hub::wtcw_debug("New Trade Note created while Selling Peas");
      login_.NewNoteId = id;
    }
    UpdateItemHUD(obj);
  });
}

void FilterHandler::World_MoveObject(const std::shared_ptr<platform::WorldObject>& obj) {
  Trap("World_MoveObject", kClass, [&] {
    if (!PluginActive) return;
    const std::int32_t id = Instance(obj.get()).Id();
    if (!World->ObjectById(id)) {
      Hub::wtcw_debug("MoveObject - Exit on Nothing");
      return;
    }
    UpdateItemHUD(obj);
    if (obj->ObjectClass() == kFoodClass && !obj->HasIdentifyData()) {
      Hub::wtcw_debug("ID Food on Move: " + obj->Name());
      ACHooks->RequestIdentify(id);
    }
    if (obj->ObjectClass() == kKitClass && !obj->HasIdentifyData()) {
      Hub::wtcw_debug("ID Kit on Move: " + obj->Name());
      ACHooks->RequestIdentify(id);
    }
  });
}

void FilterHandler::UpdateItemHUD(const std::shared_ptr<platform::WorldObject>& obj) {
  Trap("UpdateItemHUD", kClass, [&] {
    const std::string name = Instance(obj.get()).Name();
    auto& items = *Controls().HudItems;
    const std::int32_t rows = items.Count();
    for (std::int32_t row = 0; row < rows; ++row) {
      if (CellText(items.DataGet(1, row, 0)) == name) {
        HostPeers::ItemUpdateHUD();
        return;
      }
    }
  });
}

void FilterHandler::World_ReleaseObject(const std::shared_ptr<platform::WorldObject>& obj) {
  Trap("World_ReleaseObject", kClass, [&] {
    if (!PluginActive) return;
    Hub::wtcw_debug("ReleaseObject");
    const std::int32_t id = Instance(obj.get()).Id();
    if (!World->ObjectById(id)) {
      Hub::wtcw_debug("ReleaseObject - Exit on Nothing");
      return;
    }
    if (Controls().CorpsesAuto->CheckedGet() && IsMyCorpse(obj->StringProperty(kNameKey, ""))) {
      double ns = 0;
      double ew = 0;
      obj->Coordinates(ns, ew);
      HostPeers::CorpseDisappear(OneDecimal(ns), OneDecimal(ew), id);
    }
    std::shared_ptr<platform::WorldObject> target;
    if (HostPeers::TargetGetObject(target) && target->Id() == id) {
      HostPeers::TargetSetObject(nullptr);
      HostPeers::TargetCreateHUD();
    }
    HostPeers::TargetRemoveDebuff(id);
    // A stack used up leaves the world: the item HUD counts it out.
    UpdateItemHUD(obj);
  });
}

}  // namespace mellox
