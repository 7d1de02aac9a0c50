#pragma once
// A small JSON reader for the files a technician edits by hand (limits files). Strict: one
// value, nothing after it, nesting bounded, numbers finite. Errors say where.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo::json {

struct Value {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0.0;
    std::string string;
    std::vector<Value> array;
    std::map<std::string, Value> object;

    const Value* find(const std::string& key) const {
        auto it = object.find(key);
        return type == Type::Object && it != object.end() ? &it->second : nullptr;
    }
    bool isNumber() const { return type == Type::Number; }
    bool isString() const { return type == Type::String; }
    bool isObject() const { return type == Type::Object; }
    bool isArray() const { return type == Type::Array; }
};

inline constexpr int kMaxDepth = 32;

// The value, or nothing with the reason ("line 3: expected ':'") in *error.
std::optional<Value> parse(std::string_view text, std::string* error = nullptr);

} // namespace korvelo::json
