#pragma once
// Identifiers of the GIF control: class, interfaces, type library, property
// page, dispatch identifiers and the defaults a new instance starts with.

#include <cstdint>

#include "automation/dispatch.h"
#include "automation/guid.h"
#include "automation/variant.h"

namespace plimova::ids {

using vantry::automation::DispId;
using vantry::automation::MakeGuid;

constexpr auto kClsid = MakeGuid("{82351441-9094-11D1-A24B-00A0C932C7DF}");
constexpr auto kIidPlimova = MakeGuid("{82351440-9094-11D1-A24B-00A0C932C7DF}");
constexpr auto kIidPlimovaEvents = MakeGuid("{5252AC41-94BB-11D1-B2E7-444553540000}");
constexpr auto kLibid = MakeGuid("{82351433-9094-11D1-A24B-00A0C932C7DF}");
constexpr auto kPageClsid = MakeGuid("{6DC82D15-92F2-11D1-A255-00A0C932C7DF}");
// The class a property bag records for the saved GIF bytes.
constexpr auto kGifStreamClsid = MakeGuid("{F6F07540-42EC-11CE-8135-00AA004BB851}");

constexpr const char* kProgId = "PlimovaCtrl.Plimova";
constexpr const char* kDescription = "Plimova Control";
constexpr const char* kPageProgId = "PlimovaPpg.PlimovaPpg.1";
constexpr const char* kPageVersionIndependentProgId = "PlimovaPpg.PlimovaPpg";
constexpr const char* kPageDescription = "PlimovaPpg Class";
constexpr const char* kTypeLibName = "PlimovaCtrl";
constexpr uint16_t kTypeLibMajor = 1;
constexpr uint16_t kTypeLibMinor = 5;
// Recompose on resize, can't link inside, inside-out, activate when
// visible, set client site first.
constexpr uint32_t kMiscStatus = 131473;

// IPlimova
constexpr DispId kFrame = 1;
constexpr DispId kFrames = 2;
constexpr DispId kPlaying = 3;
constexpr DispId kTransparent = 4;
constexpr DispId kBackColor = 5;
constexpr DispId kGIF = 6;
constexpr DispId kGIFWidth = 7;
constexpr DispId kGIFHeight = 8;
constexpr DispId kSpeed = 9;
constexpr DispId kPlay = 10;
constexpr DispId kStop = 11;
constexpr DispId kReadGIF = 12;
constexpr DispId kGetFrame = 13;
constexpr DispId kStretch = 14;
constexpr DispId kFrameWidth = 15;
constexpr DispId kFrameHeight = 16;
constexpr DispId kFrameLeft = 17;
constexpr DispId kFrameTop = 18;
constexpr DispId kAutoSize = 19;
constexpr DispId kSequenceString = 20;
constexpr DispId kSequence = 21;
// The standard members keep their standard identifiers.
using vantry::automation::dispid::kAboutBox;
using vantry::automation::dispid::kHwnd;

// IPlimovaEvents
constexpr DispId kStep = 1;
using vantry::automation::dispid::kClick;
using vantry::automation::dispid::kDblClick;
using vantry::automation::dispid::kMouseDown;
using vantry::automation::dispid::kMouseMove;
using vantry::automation::dispid::kMouseUp;

// Light grey (red, green and blue 192).
constexpr uint32_t kDefaultBackColor = 12632256;
// A new control's extent before the container sets one: 2 x 2 inches.
constexpr int32_t kDefaultExtent = 5080;
// The persisted stream's version word.
constexpr uint32_t kStreamVersion = 0x200;
// The animation timer's identifier on the control's window.
constexpr int kTimerId = 81;

}  // namespace plimova::ids
