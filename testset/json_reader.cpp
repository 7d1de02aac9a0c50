#include "testset/json_reader.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace korvelo::json {

namespace {

class Reader {
  public:
    explicit Reader(std::string_view t) : t_(t) {}

    std::optional<Value> document(std::string* error) {
        Value v;
        if (value(v, 0)) {
            space();
            if (i_ == t_.size())
                return v;
            fail("text after the value");
        }
        if (error)
            *error = "line " + std::to_string(line()) + ": " + why_;
        return std::nullopt;
    }

  private:
    bool fail(const char* why) {
        if (why_.empty())
            why_ = why;
        return false;
    }
    int line() const {
        int n = 1;
        for (std::size_t k = 0; k < i_ && k < t_.size(); ++k)
            n += t_[k] == '\n';
        return n;
    }
    void space() {
        while (i_ < t_.size() &&
               (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\n' || t_[i_] == '\r'))
            ++i_;
    }
    bool literal(std::string_view word) {
        if (t_.substr(i_, word.size()) != word)
            return fail("unknown word");
        i_ += word.size();
        return true;
    }
    bool value(Value& v, int depth) {
        if (depth > kMaxDepth)
            return fail("nested too deeply");
        space();
        if (i_ >= t_.size())
            return fail("unexpected end");
        const char c = t_[i_];
        if (c == '{')
            return object(v, depth);
        if (c == '[')
            return array(v, depth);
        if (c == '"') {
            v.type = Value::Type::String;
            return string(v.string);
        }
        if (c == 't' || c == 'f') {
            v.type = Value::Type::Bool;
            v.boolean = c == 't';
            return literal(c == 't' ? "true" : "false");
        }
        if (c == 'n')
            return literal("null");
        return number(v);
    }
    bool number(Value& v) {
        const std::size_t start = i_;
        if (i_ < t_.size() && t_[i_] == '-')
            ++i_;
        auto digits = [&] {
            const std::size_t s = i_;
            while (i_ < t_.size() && t_[i_] >= '0' && t_[i_] <= '9')
                ++i_;
            return i_ > s;
        };
        if (!digits())
            return fail("expected a value");
        if (i_ < t_.size() && t_[i_] == '.' && (++i_, !digits()))
            return fail("expected digits after '.'");
        if (i_ < t_.size() && (t_[i_] == 'e' || t_[i_] == 'E')) {
            ++i_;
            if (i_ < t_.size() && (t_[i_] == '+' || t_[i_] == '-'))
                ++i_;
            if (!digits())
                return fail("expected an exponent");
        }
        const std::string text(t_.substr(start, i_ - start));
        v.type = Value::Type::Number;
        v.number = std::strtod(text.c_str(), nullptr);
        if (!std::isfinite(v.number))
            return fail("number out of range");
        return true;
    }
    bool string(std::string& out) {
        ++i_; // opening quote
        while (i_ < t_.size()) {
            const char c = t_[i_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return fail("control character in a string");
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (i_ >= t_.size())
                break;
            const char e = t_[i_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out.push_back(e);
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'u': {
                // Limits files are ASCII; other characters are kept as '?'.
                if (t_.size() - i_ < 4)
                    return fail("short \\u escape");
                for (int k = 0; k < 4; ++k)
                    if (!std::isxdigit(static_cast<unsigned char>(t_[i_ + k])))
                        return fail("bad \\u escape");
                const long code = std::strtol(std::string(t_.substr(i_, 4)).c_str(), nullptr, 16);
                out.push_back(code < 0x80 ? static_cast<char>(code) : '?');
                i_ += 4;
                break;
            }
            default:
                return fail("unknown escape");
            }
        }
        return fail("unterminated string");
    }
    bool array(Value& v, int depth) {
        v.type = Value::Type::Array;
        ++i_;
        space();
        if (i_ < t_.size() && t_[i_] == ']') {
            ++i_;
            return true;
        }
        for (;;) {
            Value item;
            if (!value(item, depth + 1))
                return false;
            v.array.push_back(std::move(item));
            space();
            if (i_ < t_.size() && t_[i_] == ',') {
                ++i_;
                continue;
            }
            if (i_ < t_.size() && t_[i_] == ']') {
                ++i_;
                return true;
            }
            return fail("expected ',' or ']'");
        }
    }
    bool object(Value& v, int depth) {
        v.type = Value::Type::Object;
        ++i_;
        space();
        if (i_ < t_.size() && t_[i_] == '}') {
            ++i_;
            return true;
        }
        for (;;) {
            space();
            if (i_ >= t_.size() || t_[i_] != '"')
                return fail("expected a name in quotes");
            std::string key;
            if (!string(key))
                return false;
            space();
            if (i_ >= t_.size() || t_[i_] != ':')
                return fail("expected ':'");
            ++i_;
            Value item;
            if (!value(item, depth + 1))
                return false;
            if (!v.object.emplace(std::move(key), std::move(item)).second)
                return fail("a name given twice");
            space();
            if (i_ < t_.size() && t_[i_] == ',') {
                ++i_;
                continue;
            }
            if (i_ < t_.size() && t_[i_] == '}') {
                ++i_;
                return true;
            }
            return fail("expected ',' or '}'");
        }
    }

    std::string_view t_;
    std::size_t i_ = 0;
    std::string why_;
};

} // namespace

std::optional<Value> parse(std::string_view text, std::string* error) {
    return Reader(text).document(error);
}

} // namespace korvelo::json
