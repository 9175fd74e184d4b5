#pragma once
// Identifiers and members of the probe control, a tiny control library built
// only for the tests: the host side knows it only by these numbers.

#include "automation/guid.h"
#include "automation/variant.h"

namespace probe {

using vantry::automation::DispId;
using vantry::automation::Guid;
using vantry::automation::MakeGuid;

constexpr Guid kClsid = MakeGuid("{6A1D3C20-5B7E-4F0A-9C11-2E8D7B4A6F01}");
constexpr Guid kPageClsid = MakeGuid("{6A1D3C21-5B7E-4F0A-9C11-2E8D7B4A6F01}");
constexpr Guid kLibid = MakeGuid("{6A1D3C22-5B7E-4F0A-9C11-2E8D7B4A6F01}");
constexpr Guid kIid = MakeGuid("{6A1D3C23-5B7E-4F0A-9C11-2E8D7B4A6F01}");
constexpr Guid kEventsIid = MakeGuid("{6A1D3C24-5B7E-4F0A-9C11-2E8D7B4A6F01}");
constexpr char kProgId[] = "VantryProbe.Probe.1";
constexpr char kVersionIndependentProgId[] = "VantryProbe.Probe";
constexpr char kPageProgId[] = "VantryProbe.ProbePage";

// Members.
constexpr DispId kCount = 1;        // Integer, read/write, bindable; change notice
constexpr DispId kCaption = 2;      // String, read/write, request-edit
constexpr DispId kColor = 3;        // OLE_COLOR, read/write
constexpr DispId kSerial = 4;       // Long, read-only
constexpr DispId kItem = 5;         // Item(Index As Integer) As Long, read/write
constexpr DispId kAdd = 6;          // Add(a As Integer, b As Integer) As Long
constexpr DispId kFail = 7;         // Fail(Number As Long): raises that number
constexpr DispId kPing = 8;         // Ping(Text As String) As String: fires Changed
constexpr DispId kUserMode = 9;     // Boolean, read-only: the site's ambient user mode
constexpr DispId kSecret = 10;      // String, write-only

// Events.
constexpr DispId kChanged = 1;  // Changed(Code As Integer, Text As String), by reference
constexpr DispId kStep = 2;     // Step()

constexpr int32_t kFailDescriptionNumber = 20152;

}  // namespace probe
