#include "testcontainer/value_text.h"

#include <QStringList>

#include "automation/picture.h"

namespace testcontainer {

using namespace vantry::automation;

namespace {

QString Qs(const std::u16string& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

std::u16string U16(const QString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                          static_cast<size_t>(s.size()));
}

QString ObjectText(const ObjectPtr& object) {
    if (!object) {
        return QStringLiteral("Nothing");
    }
    if (auto picture = QueryInterface<IPicture>(object)) {
        const QImage image = picture->Image();
        if (picture->PictureType() == IPicture::kNone) {
            return QStringLiteral("(Picture: none)");
        }
        return QStringLiteral("(Picture %1 x %2)").arg(image.width()).arg(image.height());
    }
    return QStringLiteral("(Object)");
}

}  // namespace

QString TypeText(VariantType type) {
    if (type == VariantType::Empty) {
        return QStringLiteral("Variant");
    }
    const std::string_view name = TypeName(type);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString ValueText(const Variant& value, bool quoted) {
    switch (value.Type()) {
        case VariantType::Empty:
            return QStringLiteral("Empty");
        case VariantType::String: {
            const std::u16string& s = *value.IfString();
            QString text = Qs(s.substr(0, kShownStringLength));
            if (s.size() > static_cast<size_t>(kShownStringLength)) {
                text += QStringLiteral("... (%1 characters)").arg(s.size());
            }
            // Control characters (binary data carried in a string) stay readable.
            for (QChar& c : text) {
                if (c.unicode() < 0x20) {
                    c = QChar(0x2400 + c.unicode());
                }
            }
            return quoted ? QLatin1Char('"') + text + QLatin1Char('"') : text;
        }
        case VariantType::Object:
            return ObjectText(*value.IfObject());
        default:
            return EditText(value);
    }
}

QString EditText(const Variant& value) {
    switch (value.Type()) {
        case VariantType::Empty:
            return QString();
        case VariantType::Bool:
            return *value.IfBool() ? QStringLiteral("True") : QStringLiteral("False");
        case VariantType::Int16:
            return QString::number(*value.IfInt16());
        case VariantType::Int32:
            return QString::number(*value.IfInt32());
        case VariantType::Color:
            return QStringLiteral("&H%1&")
                .arg(value.IfColor()->value, 8, 16, QLatin1Char('0'))
                .toUpper();
        case VariantType::String:
            return Qs(*value.IfString());
        case VariantType::Object:
            return ObjectText(*value.IfObject());
    }
    return QString();
}

Variant ParseValue(const QString& text, VariantType type) {
    QString t = text;
    switch (type) {
        case VariantType::String:
            return Variant(U16(t));
        case VariantType::Object:
            if (t.trimmed().compare(QStringLiteral("Nothing"), Qt::CaseInsensitive) == 0) {
                return Variant::Nothing();
            }
            throw AutomationError(errors::kTypeMismatch);
        case VariantType::Empty: {
            // A member of any type: numbers and True/False as such, the rest as text.
            const QString trimmed = t.trimmed();
            if (trimmed.isEmpty()) {
                return Variant();
            }
            if (trimmed.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) {
                return Variant(true);
            }
            if (trimmed.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) {
                return Variant(false);
            }
            try {
                return ChangeType(Variant(U16(trimmed)), VariantType::Int32);
            } catch (const AutomationError&) {
                return Variant(U16(t));
            }
        }
        case VariantType::Color: {
            t = t.trimmed();
            if (t.size() > 2 && t.startsWith(QLatin1Char('&')) && t.endsWith(QLatin1Char('&'))) {
                t.chop(1);
            }
            break;
        }
        default:
            break;
    }
    return ChangeType(Variant(U16(t)), type);
}

QString ErrorText(const AutomationError& error) {
    return QStringLiteral("Error %1: %2")
        .arg(error.Number())
        .arg(QString::fromStdString(error.Description()));
}

QString EventText(DispId id, const EventInfo* info, const std::vector<Variant*>& args) {
    QStringList parts;
    for (size_t i = 0; i < args.size(); ++i) {
        const Variant value = args[i] != nullptr ? *args[i] : Variant();
        QString part;
        if (info != nullptr && i < info->argNames.size()) {
            part = (info->byReference ? QStringLiteral("ByRef ") : QString()) +
                   QString::fromStdString(info->argNames[i]);
            if (i < info->argTypes.size()) {
                part += QStringLiteral(" As ") + TypeText(info->argTypes[i]);
            }
            part += QStringLiteral(" = ");
        }
        parts << part + ValueText(value, true);
    }
    const QString name =
        info != nullptr ? QString::fromStdString(info->name) : QStringLiteral("#%1").arg(id);
    return QStringLiteral("Event %1(%2)").arg(name, parts.join(QStringLiteral(", ")));
}

QString MemberSignature(const MemberInfo& member) {
    QStringList args;
    for (VariantType type : member.argTypes) {
        args << TypeText(type);
    }
    QString text = QString::fromStdString(member.name) + QLatin1Char('(') +
                   args.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (member.type != VariantType::Empty) {
        text += QStringLiteral(" As ") + TypeText(member.type);
    }
    return text;
}

}  // namespace testcontainer
