// Value <-> attribute text conversions of the XML layer (not for callers).
//
// Numbers go through the property tree's stream translator in the classic
// locale, so a process locale never changes how numbers read or print. A text
// converts only as a whole (white space around the number is allowed).
#pragma once

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/stream_translator.hpp>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>

namespace xmlvalue {

template <typename Value>
boost::property_tree::stream_translator<char, std::char_traits<char>, std::allocator<char>, Value> Translator() {
    return boost::property_tree::stream_translator<char, std::char_traits<char>, std::allocator<char>, Value>(
        std::locale::classic());
}

template <typename Value>
std::optional<Value> FromText(const std::string& text) {
    if constexpr (std::is_same_v<Value, std::string>) {
        return text;
    } else {
        if constexpr (std::is_unsigned_v<Value>) {
            // The stream would wrap "-1" round to the largest value.
            std::size_t first = text.find_first_not_of(" \t\r\n");
            if (first != std::string::npos && text[first] == '-') return std::nullopt;
        }
        // As the property tree's translator reads: the number, then only
        // white space up to the end.
        std::istringstream stream(text);
        stream.imbue(std::locale::classic());
        Value value{};
        stream >> value;
        if (!stream.eof()) stream >> std::ws;
        if (stream.fail() || stream.bad() || stream.get() != std::char_traits<char>::eof()) return std::nullopt;
        return value;
    }
}

template <typename Value>
void Put(boost::property_tree::ptree& tree, const std::string& path, const Value& value) {
    if constexpr (std::is_same_v<Value, std::string>) {
        tree.put(path, value);
    } else {
        tree.put(path, value, Translator<Value>());
    }
}

template <typename Value>
void Add(boost::property_tree::ptree& tree, const std::string& path, const Value& value) {
    if constexpr (std::is_same_v<Value, std::string>) {
        tree.add(path, value);
    } else {
        tree.add(path, value, Translator<Value>());
    }
}

}  // namespace xmlvalue
