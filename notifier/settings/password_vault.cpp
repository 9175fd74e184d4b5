#include "password_vault.h"

#include <libsecret/secret.h>

#include "password_scramble.h"

namespace corvy::settings {
namespace {

const SecretSchema* Schema() {
    static const SecretSchema schema = {"org.corvy.Password",
                                        SECRET_SCHEMA_NONE,
                                        {
                                            {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        },
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// Takes the error and says whether there was one.
bool Failed(GError* error) {
    if (error == nullptr) {
        return false;
    }
    g_error_free(error);
    return true;
}

std::string MarkKey(const PasswordPlace& place) {
    return place.key + "InKeyring";
}

}  // namespace

std::optional<std::string> SecretServiceVault::Lookup(const std::string& kind,
                                                      const std::string& account,
                                                      const std::string& server) {
    GError* error = nullptr;
    gchar* found =
        secret_password_lookup_sync(Schema(), nullptr, &error, "kind", kind.c_str(), "account",
                                    account.c_str(), "server", server.c_str(), nullptr);
    if (Failed(error)) {
        return std::nullopt;
    }
    std::string password = found != nullptr ? found : "";
    secret_password_free(found);
    return password;
}

bool SecretServiceVault::Store(const std::string& kind, const std::string& account,
                               const std::string& server, const std::string& password) {
    GError* error = nullptr;
    const std::string label = "Corvy " + kind + " password for " + account + " (" + server + ")";
    const gboolean ok = secret_password_store_sync(
        Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(), nullptr, &error,
        "kind", kind.c_str(), "account", account.c_str(), "server", server.c_str(), nullptr);
    return !Failed(error) && ok;
}

bool SecretServiceVault::ClearAll(const std::string& kind) {
    GError* error = nullptr;
    secret_password_clear_sync(Schema(), nullptr, &error, "kind", kind.c_str(), nullptr);
    return !Failed(error);
}

bool SecretServiceVault::Available() {
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
    if (Failed(error) || service == nullptr) {
        return false;
    }
    // A bus without the service may still activate one on the first call.
    const bool ok = Lookup("probe", "", "").has_value();
    g_object_unref(service);
    return ok;
}

std::string LoadPassword(const vantry::profile::Profile& profile, const PasswordPlace& place,
                         PasswordVault* vault) {
    if (profile.GetInt(place.section, MarkKey(place), 0) != 0) {
        if (vault == nullptr) {
            return {};
        }
        return vault->Lookup(place.kind, place.account, place.server).value_or("");
    }
    return UnscramblePassword(profile.GetString(place.section, place.key));
}

bool SavePassword(vantry::profile::Profile& profile, const PasswordPlace& place,
                  const std::string& password, PasswordVault* vault) {
    if (vault != nullptr && !password.empty() &&
        vault->Store(place.kind, place.account, place.server, password)) {
        profile.WriteString(place.section, place.key, "");
        profile.WriteInt(place.section, MarkKey(place), 1);
        return true;
    }
    profile.WriteString(place.section, place.key, ScramblePassword(password));
    if (profile.Find(place.section, MarkKey(place)).has_value()) {
        profile.RemoveKey(place.section, MarkKey(place));
    }
    return false;
}

}  // namespace corvy::settings
