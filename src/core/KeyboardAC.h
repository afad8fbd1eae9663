// Types into the game with synthetic key presses, one queued entry every
// 20 ms, waiting for the chat bar when asked to.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "core/ObjRef.h"
#include "platform/Event.h"
#include "platform/HostTimer.h"

namespace mellox {

class KeyboardAC {
 public:
  static constexpr const char* kEnterToken = "{Enter}";
  static constexpr const char* kChatToken = "{Chat}";
  static constexpr std::int32_t kWriteIntervalMs = 20;
  static constexpr std::int32_t kChatPollIntervalMs = 50;
  // How long Enter is pressed again and again for a chat bar that does not
  // open; then the queued text is dropped rather than typed into the game.
  static constexpr std::int32_t kChatWaitLimitMs = 2000;

  KeyboardAC();
  ~KeyboardAC();
  KeyboardAC(const KeyboardAC&) = delete;
  KeyboardAC& operator=(const KeyboardAC&) = delete;

  // Starts typing the queued entries.
  void Run();
  // Presses and releases one virtual key at once (not queued). A code
  // outside 0..255 is reported and nothing is pressed.
  void SendKey(std::int32_t key);
  // Types one entry: a character with the modifier keys its key needs, or a token.
  void SendChar(const std::string& entry);
  // Queues every character of text as an entry of its own, so token names
  // inside it are typed as letters. yield asks to let the host's message loop
  // run between characters; on this plug-in's single thread there is nothing
  // to let run, so it changes nothing.
  void SendString(const std::string& text, bool yield);
  void SendEnter();
  // Queues opening the chat bar: typing waits until the bar is active.
  void AddWaitforChat();
  // True while the Enter key is not down.
  bool CheckEnter();
  // Drops what is still queued and stops typing.
  void Cancel();

  // The queued entries, oldest first.
  const std::deque<std::string>& Buffer() const { return login_.KeyBuffer; }
  bool WaitingForChatBar() const { return login_.WaitingForChat; }

 private:
  void WriteBuffer_Timeout();
  void WaitChat_Timeout();
  void PressKey(std::int32_t key);

  // What is being typed is the login's: Cancel replaces it whole.
  struct LoginState {
    std::deque<std::string> KeyBuffer;
    bool WaitingForChat = false;
    std::int32_t chatPolls = 0;
  };
  LoginState login_;
  ObjRef<platform::HostTimer> WriteBuffer;
  ObjRef<platform::HostTimer> WaitChat;
  platform::Connection writeTimeout_;
  platform::Connection waitTimeout_;
};

}  // namespace mellox
