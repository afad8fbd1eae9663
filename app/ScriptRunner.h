// Runs a session script against the plug-in in the simulated host.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>

#include "sim/SimHost.h"

namespace mellox::sim {
class SimList;
class SimNetworkMessage;
class SimWorldObject;
}

namespace mellox::app {

class ScriptRunner {
 public:
  ScriptRunner(sim::SimHost& host, std::ostream& err);

  // Runs every line; returns true when the script ran to its end with every
  // expectation met. In interactive mode a failing line is reported and the
  // run goes on (the result still says it failed).
  bool Run(std::istream& script, const std::string& scriptName, bool interactive);

  // One line (without its line break). False on failure; the message is in LastError().
  bool RunLine(const std::string& line);
  const std::string& LastError() const { return lastError_; }

  void SetHudPngDir(std::filesystem::path dir) { hudPngDir_ = std::move(dir); }

 private:
  using Verb = std::function<void(const std::string& args)>;
  static constexpr std::int32_t kLoginEvent = 0x0013;  // the game's login description
  static constexpr std::int32_t kDescribesXP = 0x80;   // its properties hold the XP
  static constexpr std::int32_t kLastLevel = 275;      // the game's highest level
  void AddVerbs();
  void AddWorldVerbs();  // the vendor and the chat bar
  void AddClockVerbs();  // the local date and the time zone
  void AddListVerbs();   // the settings view's lists read
  [[noreturn]] void Fail(const std::string& message);
  // The NAME=VALUE fields of a net or login line into the message.
  void SetFields(sim::SimNetworkMessage& message, std::string rest);
  template <class T>
  T& ViewControl(const std::string& name);
  sim::SimWorldObject& WorldObject(std::int32_t id);
  // The view's list of that (UTF-8) name; fails for a name that is no list.
  sim::SimList& ViewList(const std::string& name);
  // Creates the object with what earlier lines gave its id, then raises CreateObject.
  void CreateObject(std::int32_t id, const std::string& name, std::int32_t objectClass);
  // The object of that id, or the one its object line will create.
  sim::SimWorldObject& BuildingObject(std::int32_t id);
  // The character in hand logs in: it comes into the world, the game
  // describes it (fields as for net add to or replace the description) and
  // reports the login complete.
  void LogIn(const std::string& fields);
  // Takes the logged-in character out of the world without a logoff, then logs NAME in.
  void Relogin(const std::string& name, const std::string& fields);
  void CloseVendor();
  // Fails while a character is logged in: the verb describes the next login.
  void BeforeLogin(const char* verb);
  // Fails while no character is logged in: the verb is something that happens in play.
  void InPlay(const char* verb);
  // Fails when container is the object (written as word) or lies inside it.
  void NotInside(std::int32_t id, std::int32_t container, const std::string& word);
  // Fails for the own object of the character logged in: only its logoff takes it out of the world.
  void NotInPlay(std::int32_t id, const std::string& word);
  // Fails for an object out of the world with a character other than the one in hand.
  void NotAnothers(std::int32_t id, const std::string& word);
  // Fails when nothing would reach what goes into container: a character not
  // in hand, or an object out of the world with its character.
  void Reaches(std::int32_t container, const std::string& word);
  // An object the world holds goes into container as the game moves it (MoveObject).
  void MoveHeld(std::int32_t id, std::int32_t container, const std::string& word, const std::string& containerWord);

  sim::SimHost& host_;
  std::ostream& err_;
  std::map<std::string, Verb> verbs_;
  std::size_t expectMark_ = 0;
  std::string lastError_;
  std::filesystem::path hudPngDir_;
  bool mouseButtonHeld_ = false;  // between "mouse down" and "mouse up"
  bool loggedIn_ = false;         // between "login" and "logoff"
  // Objects described before their object line, and the line that first did.
  struct Pending {
    std::shared_ptr<sim::SimWorldObject> object;
    int line = 0;
  };
  std::map<std::int32_t, Pending> pending_;
  int lineNumber_ = 0;
};

// Thrown by a verb whose argument is malformed or whose expectation failed.
struct ScriptError {
  std::string message;
};

// "1500ms", "2s", "3m" -> milliseconds; throws ScriptError when malformed.
long long ParseDuration(const std::string& text);

}  // namespace mellox::app
