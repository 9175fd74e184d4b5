// The dispatch interface of the HTTP control: names, identifiers and access
// of every member, in the order hosts know them.

#include "http_ctrl.h"

namespace fetchwire {

namespace {

using C = CHTTPCtrl;

const va::DispatchTable<C>& Table() {
    static const auto table =
        va::DispatchTable<C>()
            .Property("WinsockInfo", 1, &C::WinsockInfo)
            .Property("WinsockStatus", 2, &C::WinsockStatus)
            .Property("WinsockPath", 3, &C::WinsockPath, &C::SetWinsockPath)
            .Property("WinsockLoaded", 4, &C::WinsockLoaded, &C::SetWinsockLoaded)
            .Property("WinsockMaxSockets", 5, &C::WinsockMaxSockets)
            .Property("WinsockMaxDatagramSize", 6, &C::WinsockMaxDatagramSize)
            .Property("LocalHost", 7, &C::LocalHost)
            .Property("URL", 8, &C::URL, &C::SetURL)
            .Property("URLScheme", 9, &C::URLScheme, &C::SetURLScheme)
            .Property("URLServer", 10, &C::URLServer, &C::SetURLServer)
            .Property("URLPort", 11, &C::URLPort, &C::SetURLPort)
            .Property("URLPath", 12, &C::URLPath, &C::SetURLPath)
            .Property("ProxyServer", 13, &C::ProxyServer, &C::SetProxyServer)
            .Property("ProxyPort", 14, &C::ProxyPort, &C::SetProxyPort)
            .Property("Action", 15, &C::Action, &C::SetAction)
            .Property("PostData", 16, &C::PostData, &C::SetPostData)
            .Property("AttachedFile", 17, &C::AttachedFile, &C::SetAttachedFile)
            .Property("ContentType", 18, &C::ContentType, &C::SetContentType)
            .Property("User", 19, &C::User, &C::SetUser)
            .Property("Password", 20, &C::Password, &C::SetPassword)
            .Property("Authorization", 21, &C::Authorization, &C::SetAuthorization)
            .Property("Accept", 22, &C::Accept, &C::SetAccept)
            .Property("From", 23, &C::From, &C::SetFrom)
            .Property("UserAgent", 24, &C::UserAgent, &C::SetUserAgent)
            .Property("IfModifiedSince", 25, &C::IfModifiedSince, &C::SetIfModifiedSince)
            .Property("Referer", 26, &C::Referer, &C::SetReferer)
            .Property("Pragma", 27, &C::Pragma, &C::SetPragma)
            .Property("OtherHeaders", 28, &C::OtherHeaders, &C::SetOtherHeaders)
            .Property("StatusLine", 29, &C::StatusLine)
            .Property("HTTPVersion", 30, &C::HTTPVersion, &C::SetHTTPVersion)
            .Method("AboutBox", va::dispid::kAboutBox, &C::AboutBox);
    return table;
}

}  // namespace

std::optional<va::DispId> CHTTPCtrl::GetIdOfName(std::string_view name) const {
    return Table().IdOfName(name);
}

va::Variant CHTTPCtrl::Invoke(va::DispId id, va::InvokeKind kind, std::vector<va::Variant>& args) {
    return Table().Invoke(*this, id, kind, args);
}

std::vector<va::MemberInfo> CHTTPCtrl::Members() const {
    return Table().Members();
}

}  // namespace fetchwire
