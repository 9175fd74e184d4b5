#pragma once
// How the container shows values, errors and events to a person, and reads
// back what the person types.

#include <QString>
#include <vector>

#include "automation/dispatch.h"
#include "automation/error.h"
#include "automation/events.h"
#include "automation/variant.h"

namespace testcontainer {

using vantry::automation::AutomationError;
using vantry::automation::EventInfo;
using vantry::automation::MemberInfo;
using vantry::automation::Variant;
using vantry::automation::VariantType;

// Strings longer than this are cut in the log and in the property list.
constexpr int kShownStringLength = 200;

// "Integer", "String", ...; "Variant" for a member that takes any type.
QString TypeText(VariantType type);

// A value as a person reads it: True/False, numbers in decimal, colours as
// &H00BBGGRR&, strings quoted when `quoted` (cut past kShownStringLength),
// Nothing, or the kind and size of an object.
QString ValueText(const Variant& value, bool quoted = false);

// The text an editor starts from: like ValueText but never cut or quoted, so
// that reading it back gives the same value.
QString EditText(const Variant& value);

// Reads typed text as a value of `type`, coerced the way the control's own
// dispatch would coerce it. Colours take &H..& with or without the closing
// ampersand; "Nothing" is the only object value; for a member of any type the
// text is read as a number or True/False when it is one, else as a string.
// Throws AutomationError (13 Type mismatch, 6 Overflow).
Variant ParseValue(const QString& text, VariantType type);

// "Error <number>: <description>".
QString ErrorText(const AutomationError& error);

// One event as a log line: "Event Name(ByRef Code As Integer = 0, ...)".
// `info` may be null for an event the control does not describe.
QString EventText(vantry::automation::DispId id, const EventInfo* info,
                  const std::vector<Variant*>& args);

// "Name(Arg As Type, ...) As Type" for the members list.
QString MemberSignature(const MemberInfo& member);

}  // namespace testcontainer
