#pragma once
// A container site and an event sink that record what the control asks and
// fires, for the control's tests.

#include <vector>

#include "automation/control.h"
#include "automation/events.h"

namespace plimova::test {

class FakeSite : public vantry::automation::ControlSite {
public:
    vantry::automation::Variant Ambient(vantry::automation::DispId id) override {
        if (id == vantry::automation::dispid::kAmbientUserMode) {
            return userMode;
        }
        return {};
    }
    void OnChanged(vantry::automation::DispId id) override { changed.push_back(id); }
    bool OnRequestEdit(vantry::automation::DispId id) override {
        requested.push_back(id);
        return allowEdit;
    }
    void Invalidate() override { ++invalidations; }
    void OnPosRectChange(const vantry::automation::Rect& rect) override {
        posRects.push_back(rect);
        position = rect;
    }
    vantry::automation::Rect PositionRect() const override { return position; }
    void OnFocus(bool gotFocus) override { focus.push_back(gotFocus); }

    vantry::automation::Variant userMode = true;
    bool allowEdit = true;
    std::vector<vantry::automation::DispId> changed;
    std::vector<vantry::automation::DispId> requested;
    int invalidations = 0;
    std::vector<vantry::automation::Rect> posRects;
    vantry::automation::Rect position{10, 20, 110, 120};
    std::vector<bool> focus;
};

struct Fired {
    vantry::automation::DispId id;
    std::vector<vantry::automation::Variant> args;
};

class RecordingSink : public vantry::automation::IEventSink {
public:
    void Fire(vantry::automation::DispId id,
              const std::vector<vantry::automation::Variant*>& args) override {
        if (skipMoves && id == -606) {
            return;
        }
        Fired f{id, {}};
        for (auto* a : args) {
            f.args.push_back(*a);
        }
        events.push_back(f);
    }
    int Count(vantry::automation::DispId id) const {
        int n = 0;
        for (const Fired& f : events) {
            n += f.id == id;
        }
        return n;
    }
    std::vector<Fired> events;
    bool skipMoves = false;
};

}  // namespace plimova::test
