// The dispatch interface of the HTTP control, built from its property table.

#include <algorithm>
#include <array>
#include <vector>

#include "control/http_ctrl.h"
#include "control/http_properties.h"

namespace fetchwire {

using va::Variant;
using T = va::VariantType;
using F = RequestFields;

// Accessors of plain request fields, instantiated per row.
struct PropertyAccess {
    enum Read : bool { kAlways = false, kRunTimeOnly = true };

    template <std::string F::*field, Read read>
    static Variant GetText(const CHTTPCtrl& c) {
        if (read == kRunTimeOnly) {
            c.RunTimeOnly();
        }
        return Variant(va::WidenBytes(c.Fields().*field));
    }
    template <std::string F::*field>
    static void PutText(CHTTPCtrl& c, const Variant& v) {
        c.SetText(c.Fields().*field, v.ToString());
    }
    template <uint16_t F::*field, Read read>
    static Variant GetPort(const CHTTPCtrl& c) {
        if (read == kRunTimeOnly) {
            c.RunTimeOnly();
        }
        return Variant(static_cast<int32_t>(c.Fields().*field));
    }
    template <uint16_t F::*field>
    static void PutPort(CHTTPCtrl& c, const Variant& v) {
        const int32_t port = v.ToInt32();
        // A port outside 16 bits would silently become another port.
        if (port < 0 || port > 0xFFFF) {
            throw va::AutomationError(va::errors::kBadPropertyValue, "Bad property value.");
        }
        c.Fields().*field = static_cast<uint16_t>(port);
        c.Changed();
    }
    static void PutPostData(CHTTPCtrl& c, const Variant& v) {
        // The body text ends at its first zero character.
        const std::u16string text = v.ToString();
        c.SetText(c.Fields().postData, text.substr(0, text.find(u'\0')));
    }
};

namespace {

using A = PropertyAccess;
using C = CHTTPCtrl;

// clang-format off
constexpr PropertyRow kProperties[] = {
    {"WinsockInfo", 1, T::String, [](const C& c) { return Variant(c.WinsockInfo()); }, nullptr},
    {"WinsockStatus", 2, T::String, [](const C& c) { return Variant(c.WinsockStatus()); }, nullptr},
    {"WinsockPath", 3, T::String, [](const C& c) { return Variant(c.WinsockPath()); },
     [](C& c, const Variant& v) { c.SetWinsockPath(v.ToString()); }},
    {"WinsockLoaded", 4, T::Bool, [](const C& c) { return Variant(c.WinsockLoaded()); },
     [](C& c, const Variant& v) { c.SetWinsockLoaded(v.ToBool()); }, 1, "", 0},
    {"WinsockMaxSockets", 5, T::Int32, [](const C& c) { return Variant(c.WinsockMaxSockets()); }, nullptr},
    {"WinsockMaxDatagramSize", 6, T::Int32,
     [](const C& c) { return Variant(c.WinsockMaxDatagramSize()); }, nullptr},
    {"LocalHost", 7, T::String, [](const C& c) { return Variant(c.LocalHost()); }, nullptr},
    {"URL", 8, T::String, &A::GetText<&F::url, A::kAlways>,
     [](C& c, const Variant& v) { c.SetURL(v.ToString()); }},
    {"URLScheme", 9, T::String, &A::GetText<&F::urlScheme, A::kRunTimeOnly>, &A::PutText<&F::urlScheme>},
    {"URLServer", 10, T::String, &A::GetText<&F::urlServer, A::kRunTimeOnly>, &A::PutText<&F::urlServer>},
    {"URLPort", 11, T::Int32, &A::GetPort<&F::urlPort, A::kRunTimeOnly>, &A::PutPort<&F::urlPort>},
    {"URLPath", 12, T::String, &A::GetText<&F::urlPath, A::kRunTimeOnly>, &A::PutText<&F::urlPath>},
    {"ProxyServer", 13, T::String, &A::GetText<&F::proxyServer, A::kAlways>,
     &A::PutText<&F::proxyServer>, 2, "", 0},
    {"ProxyPort", 14, T::Int32, &A::GetPort<&F::proxyPort, A::kAlways>, &A::PutPort<&F::proxyPort>,
     6, "", 80},
    {"Action", 15, T::Int32, [](const C& c) { return Variant(c.Action()); },
     [](C& c, const Variant& v) { c.SetAction(v.ToInt32()); }},
    {"PostData", 16, T::String, &A::GetText<&F::postData, A::kRunTimeOnly>, &A::PutPostData},
    {"AttachedFile", 17, T::String, &A::GetText<&F::attachedFile, A::kRunTimeOnly>,
     &A::PutText<&F::attachedFile>},
    {"ContentType", 18, T::String, &A::GetText<&F::contentType, A::kRunTimeOnly>,
     &A::PutText<&F::contentType>},
    {"User", 19, T::String, &A::GetText<&F::user, A::kAlways>,
     [](C& c, const Variant& v) { c.SetUser(v.ToString()); }},
    {"Password", 20, T::String, &A::GetText<&F::password, A::kAlways>,
     [](C& c, const Variant& v) { c.SetPassword(v.ToString()); }},
    {"Authorization", 21, T::String, &A::GetText<&F::authorization, A::kRunTimeOnly>,
     &A::PutText<&F::authorization>},
    {"Accept", 22, T::String, &A::GetText<&F::accept, A::kAlways>, &A::PutText<&F::accept>,
     3, "", 0},
    {"From", 23, T::String, &A::GetText<&F::from, A::kRunTimeOnly>, &A::PutText<&F::from>},
    {"UserAgent", 24, T::String, &A::GetText<&F::userAgent, A::kAlways>, &A::PutText<&F::userAgent>,
     4, kDefaultUserAgent, 0},
    {"IfModifiedSince", 25, T::String, &A::GetText<&F::ifModifiedSince, A::kRunTimeOnly>,
     &A::PutText<&F::ifModifiedSince>},
    {"Referer", 26, T::String, &A::GetText<&F::referer, A::kRunTimeOnly>, &A::PutText<&F::referer>},
    {"Pragma", 27, T::String, &A::GetText<&F::pragma, A::kRunTimeOnly>, &A::PutText<&F::pragma>},
    {"OtherHeaders", 28, T::String, &A::GetText<&F::otherHeaders, A::kRunTimeOnly>,
     &A::PutText<&F::otherHeaders>},
    {"StatusLine", 29, T::String, &A::GetText<&F::statusLine, A::kRunTimeOnly>, nullptr},
    {"HTTPVersion", 30, T::String, &A::GetText<&F::httpVersion, A::kAlways>,
     &A::PutText<&F::httpVersion>, 5, "HTTP/1.0", 0},
};
// clang-format on

// A raw dispatch call for a row's accessor: no index arguments, the value
// last for a put.
va::DispatchTable<C>::RawCall Getter(const PropertyRow& row) {
    if (row.get == nullptr) {
        return nullptr;
    }
    return [get = row.get](C& c, std::vector<Variant>& args) {
        if (!args.empty()) {
            va::detail::ThrowWrongArgumentCount();
        }
        return get(c);
    };
}

va::DispatchTable<C>::RawCall Putter(const PropertyRow& row) {
    if (row.put == nullptr) {
        return nullptr;
    }
    return [put = row.put](C& c, std::vector<Variant>& args) {
        if (args.size() != 1) {
            va::detail::ThrowWrongArgumentCount();
        }
        put(c, args[0]);
        return Variant();
    };
}

}  // namespace

std::span<const PropertyRow> HttpProperties() {
    return kProperties;
}

std::span<const PropertyRow* const> SavedHttpProperties() {
    static const std::vector<const PropertyRow*> saved = [] {
        std::vector<const PropertyRow*> rows;
        for (const PropertyRow& row : kProperties) {
            if (row.savedAt > 0) {
                rows.push_back(&row);
            }
        }
        std::sort(rows.begin(), rows.end(), [](const PropertyRow* a, const PropertyRow* b) {
            return a->savedAt < b->savedAt;
        });
        return rows;
    }();
    return saved;
}

const va::DispatchTable<C>& CHTTPCtrl::Table() {
    static const auto table = [] {
        va::DispatchTable<C> t;
        for (const PropertyRow& row : kProperties) {
            va::MemberInfo info;
            info.name = row.name;
            info.id = row.id;
            info.type = row.type;
            t.RawProperty(std::move(info), Getter(row), Putter(row));
        }
        t.Method("AboutBox", va::dispid::kAboutBox, &C::AboutBox);
        return t;
    }();
    return table;
}

}  // namespace fetchwire
