#include "password_scramble.h"

namespace corvy::settings {

std::string ScramblePassword(std::string_view plain) {
    std::string out;
    out.reserve(plain.size() * 2);
    for (char c : plain) {
        const auto u = static_cast<unsigned char>(c);
        out.push_back(static_cast<char>(static_cast<unsigned char>(u - 1)));
        out.push_back(static_cast<char>(static_cast<unsigned char>(u + 2)));
    }
    return out;
}

std::string UnscramblePassword(std::string_view scrambled) {
    std::string out;
    out.reserve(scrambled.size() / 2 + 1);
    for (std::size_t i = 0; i < scrambled.size(); i += 2) {
        const auto u = static_cast<unsigned char>(scrambled[i]);
        out.push_back(static_cast<char>(static_cast<unsigned char>(u + 1)));
    }
    return out;
}

}  // namespace corvy::settings
