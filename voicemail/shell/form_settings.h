#pragma once
// The settings the main window works with, reached by property name
// ("MyEmail", "Autorun", "SetRunAtInitialization", ...). Every value is text;
// a setting never written reads as the empty string.

#include <QString>

#include <map>
#include <string>
#include <string_view>

namespace murmel {

class FormSettings {
public:
    virtual ~FormSettings() = default;
    // Makes sure the program's keys exist.
    virtual void VerifyRegistry() = 0;
    virtual QString Get(std::string_view property) const = 0;
    virtual void Let(std::string_view property, const QString& value) = 0;
};

// Settings kept in memory, for tests and for a program without a store.
class MemorySettings : public FormSettings {
public:
    void VerifyRegistry() override { ++verified_; }
    QString Get(std::string_view property) const override {
        const auto it = values_.find(std::string(property));
        return it == values_.end() ? QString() : it->second;
    }
    void Let(std::string_view property, const QString& value) override {
        values_[std::string(property)] = value;
    }
    bool Has(std::string_view property) const { return values_.count(std::string(property)) > 0; }
    int verified() const { return verified_; }

private:
    std::map<std::string, QString> values_;
    int verified_ = 0;
};

}  // namespace murmel
