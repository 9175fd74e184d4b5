#pragma once
// Events: a host attaches a sink to a control (connection-point style) and
// the control fires numbered events into every attached sink.
//
// Host side:
//   class MySink : public IEventSink {
//       void Fire(DispId id, const std::vector<Variant*>& args) override {
//           if (id == 4) *args[0] = Variant(u"changed by the host");  // by reference
//       }
//   };
//   auto events = QueryInterface<IConnectable>(obj);
//   uint32_t cookie = events->Advise(std::make_shared<MySink>());
//   ...
//   events->Unadvise(cookie);
//
// Control side (EventSource does the bookkeeping):
//   Variant code = int16_t{0}, text = u"OK";
//   events_.Fire(2, code, text);       // sinks may change code and text
//   int16_t after = code.ToInt16();    // read back the by-reference values
//
// Arguments come in natural order. Every argument is passed by pointer, so a
// sink can change it; for by-value arguments the control ignores changes.
// A sink may Advise or Unadvise (even itself) while an event is being fired:
// firing works on a snapshot of the sinks taken when it starts. Exceptions
// thrown by a sink are caught and dropped so a faulty host cannot unwind
// through the control. A sink may even destroy the control that fires: the
// remaining sinks are then skipped.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "automation/object.h"
#include "automation/variant.h"

namespace vantry::automation {

class IEventSink {
public:
    virtual ~IEventSink() = default;
    virtual void Fire(DispId id, const std::vector<Variant*>& args) = 0;
};

// A sink that hands every event to a function (hosts that log or forward).
std::shared_ptr<IEventSink> MakeEventSink(
    std::function<void(DispId id, const std::vector<Variant*>& args)> handler);

// One event as a host browsing the object sees it.
struct EventInfo {
    std::string name{};
    DispId id = 0;
    std::vector<std::string> argNames{};
    std::vector<VariantType> argTypes{};
    bool byReference = false;  // all arguments by reference
};

// The connection-point face of an object with one default event interface.
class IConnectable : public virtual Object {
public:
    // A cookie greater than 0; 0 when sink is null.
    virtual uint32_t Advise(std::shared_ptr<IEventSink> sink) = 0;
    // False for an unknown cookie.
    virtual bool Unadvise(uint32_t cookie) = 0;
    virtual std::vector<EventInfo> Events() const = 0;
};

// The sinks attached to one control, and firing into them.
class EventSource {
public:
    EventSource() = default;
    EventSource(const EventSource&) = delete;
    EventSource& operator=(const EventSource&) = delete;
    ~EventSource();

    uint32_t Advise(std::shared_ptr<IEventSink> sink);
    bool Unadvise(uint32_t cookie);
    size_t SinkCount() const { return sinks_.size(); }

    void Fire(DispId id, const std::vector<Variant*>& args);
    template <class... V>
    requires(std::is_same_v<V, Variant>&&...) void Fire(DispId id, V&... args) {
        Fire(id, std::vector<Variant*>{&args...});
    }

private:
    std::vector<std::pair<uint32_t, std::shared_ptr<IEventSink>>> sinks_;
    uint32_t nextCookie_ = 1;
    // Cleared on destruction, so a firing whose sink destroyed the control
    // stops without touching it again.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vantry::automation
