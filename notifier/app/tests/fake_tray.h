#pragma once
// Records what the notifier told its tray.

#include <string>
#include <vector>

#include "app/tray.h"

namespace corvy::testing {

class FakeTray : public NotifierTray {
public:
    struct Call {
        TrayOp op;
        TrayImage image;
        std::string tip;
        bool operator==(const Call&) const = default;
    };
    void Apply(TrayOp op, TrayImage image, const std::string& tip) override {
        calls.push_back({op, image, tip});
    }
    bool Available() const override { return available; }
    std::vector<Call> calls;
    bool available = true;
};

}  // namespace corvy::testing
