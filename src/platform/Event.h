// Typed events of host objects. A handler subscribes with Connect and stays
// subscribed while the returned Connection lives (RAII), so a handler object
// that is destroyed can never be called again.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace mellox::platform {

class Connection {
 public:
  Connection() = default;
  explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  Connection(Connection&& other) noexcept : disconnect_(std::exchange(other.disconnect_, nullptr)) {}
  Connection& operator=(Connection&& other) noexcept {
    if (this != &other) {
      Disconnect();
      disconnect_ = std::exchange(other.disconnect_, nullptr);
    }
    return *this;
  }
  ~Connection() { Disconnect(); }
  void Disconnect() {
    if (disconnect_) std::exchange(disconnect_, nullptr)();
  }
  bool Connected() const { return static_cast<bool>(disconnect_); }

 private:
  std::function<void()> disconnect_;
};

// Called when a handler lets an exception escape: the host survives and
// records it. The simulated host installs its own recorder.
using UnhandledHandlerSink = std::function<void(const std::string& what)>;
inline UnhandledHandlerSink& UnhandledHandlerErrorSink() {
  static UnhandledHandlerSink sink;
  return sink;
}

template <class... Args>
class Event {
 public:
  using Handler = std::function<void(Args...)>;

  Event() : state_(std::make_shared<State>()) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  [[nodiscard]] Connection Connect(Handler handler) {
    const std::uint64_t id = ++state_->nextId;
    state_->slots.push_back({id, std::make_shared<Handler>(std::move(handler))});
    std::weak_ptr<State> weak = state_;
    return Connection([weak, id] {
      if (auto state = weak.lock()) {
        auto& slots = state->slots;
        for (auto it = slots.begin(); it != slots.end(); ++it) {
          if (it->id == id) {
            slots.erase(it);
            break;
          }
        }
      }
    });
  }

  // Calls every handler in subscription order. Handlers may connect or
  // disconnect while the event runs; an exception never escapes to the host.
  void Emit(Args... args) {
    auto state = state_;
    const auto snapshot = state->slots;
    for (const auto& slot : snapshot) {
      bool stillConnected = false;
      for (const auto& s : state->slots) {
        if (s.id == slot.id) {
          stillConnected = true;
          break;
        }
      }
      if (!stillConnected) continue;
      try {
        (*slot.handler)(args...);
      } catch (const std::exception& e) {
        if (auto& sink = UnhandledHandlerErrorSink()) sink(e.what());
      } catch (...) {
        if (auto& sink = UnhandledHandlerErrorSink()) sink("unknown exception");
      }
    }
  }

  std::size_t HandlerCount() const { return state_->slots.size(); }

 private:
  struct Slot {
    std::uint64_t id;
    std::shared_ptr<Handler> handler;
  };
  struct State {
    std::vector<Slot> slots;
    std::uint64_t nextId = 0;
  };
  std::shared_ptr<State> state_;
};

}  // namespace mellox::platform
