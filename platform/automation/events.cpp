#include "automation/events.h"

#include <algorithm>

namespace vantry::automation {

namespace {

class FunctionSink : public IEventSink {
public:
    explicit FunctionSink(std::function<void(DispId, const std::vector<Variant*>&)> handler)
        : handler_(std::move(handler)) {}
    void Fire(DispId id, const std::vector<Variant*>& args) override {
        if (handler_) {
            handler_(id, args);
        }
    }

private:
    std::function<void(DispId, const std::vector<Variant*>&)> handler_;
};

}  // namespace

std::shared_ptr<IEventSink> MakeEventSink(
    std::function<void(DispId id, const std::vector<Variant*>& args)> handler) {
    return std::make_shared<FunctionSink>(std::move(handler));
}

EventSource::~EventSource() {
    *alive_ = false;
}

uint32_t EventSource::Advise(std::shared_ptr<IEventSink> sink) {
    if (!sink) {
        return 0;
    }
    uint32_t cookie = nextCookie_++;
    if (nextCookie_ == 0) {
        nextCookie_ = 1;  // 0 means "no connection"
    }
    sinks_.emplace_back(cookie, std::move(sink));
    return cookie;
}

bool EventSource::Unadvise(uint32_t cookie) {
    auto it = std::find_if(sinks_.begin(), sinks_.end(),
                           [cookie](const auto& s) { return s.first == cookie; });
    if (it == sinks_.end()) {
        return false;
    }
    sinks_.erase(it);
    return true;
}

void EventSource::Fire(DispId id, const std::vector<Variant*>& args) {
    // A sink may attach or detach sinks (itself too) while it runs; the
    // snapshot also keeps every sink alive until its call returns.
    const auto snapshot = sinks_;
    const std::shared_ptr<bool> alive = alive_;
    for (const auto& [cookie, sink] : snapshot) {
        if (!*alive) {
            return;  // a sink destroyed the control
        }
        const bool stillAttached = std::any_of(
            sinks_.begin(), sinks_.end(), [c = cookie](const auto& s) { return s.first == c; });
        if (!stillAttached) {
            continue;  // detached by an earlier sink during this firing
        }
        try {
            sink->Fire(id, args);
        } catch (...) {
            // A faulty host must not unwind through the control.
        }
    }
}

}  // namespace vantry::automation
