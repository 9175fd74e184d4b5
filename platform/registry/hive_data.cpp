#include "registry/hive_data.h"

#include "base/ascii.h"

namespace vantry::registry {

namespace {

bool HasControl(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path) {
    std::vector<std::string> parts;
    if (path.size() > kMaxKeyPathBytes + 1 || HasControl(path)) {
        return std::nullopt;
    }
    if (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
        if (path.empty()) {
            return std::nullopt;
        }
    }
    if (path.size() > kMaxKeyPathBytes) {
        return std::nullopt;
    }
    std::size_t start = 0;
    while (start <= path.size() && !path.empty()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part.size() > kMaxKeyNameBytes || parts.size() >= kMaxKeyDepth) {
            return std::nullopt;
        }
        parts.emplace_back(part);
        start = end + 1;
    }
    return parts;
}

bool ValidValueName(std::string_view name) {
    return name.size() <= kMaxValueNameBytes && !HasControl(name);
}

KeyNode* KeyNode::Child(std::string_view name) {
    auto it = children_.find(vantry::LowerAscii(name));
    return it == children_.end() ? nullptr : it->second.get();
}

const KeyNode* KeyNode::Child(std::string_view name) const {
    auto it = children_.find(vantry::LowerAscii(name));
    return it == children_.end() ? nullptr : it->second.get();
}

KeyNode* KeyNode::AddChild(std::string_view name, bool* created) {
    auto [it, inserted] = children_.try_emplace(vantry::LowerAscii(name));
    if (inserted) {
        it->second = std::make_unique<KeyNode>(std::string(name));
        if (created) {
            *created = true;
        }
    }
    return it->second.get();
}

bool KeyNode::RemoveChild(std::string_view name) {
    return children_.erase(vantry::LowerAscii(name)) > 0;
}

const NamedValue* KeyNode::FindValue(std::string_view name) const {
    auto it = values_.find(vantry::LowerAscii(name));
    return it == values_.end() ? nullptr : &it->second;
}

bool KeyNode::SetValue(std::string_view name, const Value& value) {
    auto [it, inserted] = values_.try_emplace(vantry::LowerAscii(name));
    if (inserted) {
        it->second.name = std::string(name);
    } else if (it->second.value == value) {
        return false;
    }
    it->second.value = value;
    return true;
}

bool KeyNode::RemoveValue(std::string_view name) {
    return values_.erase(vantry::LowerAscii(name)) > 0;
}

bool KeyNode::operator==(const KeyNode& other) const {
    if (name_ != other.name_ || values_ != other.values_ ||
        children_.size() != other.children_.size()) {
        return false;
    }
    auto a = children_.begin();
    auto b = other.children_.begin();
    for (; a != children_.end(); ++a, ++b) {
        if (a->first != b->first || !(*a->second == *b->second)) {
            return false;
        }
    }
    return true;
}

KeyNode* HiveData::Find(const std::vector<std::string>& path) {
    KeyNode* node = &root_;
    for (const auto& part : path) {
        node = node->Child(part);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

const KeyNode* HiveData::Find(const std::vector<std::string>& path) const {
    const KeyNode* node = &root_;
    for (const auto& part : path) {
        node = node->Child(part);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

KeyNode* HiveData::Create(const std::vector<std::string>& path, bool* created) {
    KeyNode* node = &root_;
    for (const auto& part : path) {
        node = node->AddChild(part, created);
    }
    return node;
}

bool HiveData::Remove(const std::vector<std::string>& path) {
    if (path.empty()) {
        return false;
    }
    std::vector<std::string> parent(path.begin(), path.end() - 1);
    KeyNode* node = Find(parent);
    return node != nullptr && node->RemoveChild(path.back());
}

}  // namespace vantry::registry
