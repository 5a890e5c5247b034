#include "builder/project/json_text.h"

#include <cstdio>

namespace {

constexpr size_t kShortObject = 72;

}  // namespace

Json::Json(const char* text) : scalar_(jsonString(text)) {}
Json::Json(const std::string& text) : scalar_(jsonString(text)) {}
Json::Json(long long number) : scalar_(std::to_string(number)) {}
Json::Json(bool flag) : scalar_(flag ? "true" : "false") {}

Json Json::object() { return Json(Type::Object); }
Json Json::array() { return Json(Type::Array); }

Json& Json::set(const std::string& key, Json value) {
    if (Json* existing = member(key)) {
        *existing = std::move(value);
        return *this;
    }
    members_.emplace_back(key, std::move(value));
    return *this;
}

Json* Json::member(const std::string& key) {
    for (auto& [name, value] : members_)
        if (name == key) return &value;
    return nullptr;
}

Json& Json::add(Json value) {
    members_.emplace_back("", std::move(value));
    return *this;
}

std::string Json::text() const {
    std::string out;
    write(out, 0);
    return out;
}

void Json::write(std::string& out, int depth) const {
    if (type_ == Type::Scalar) {
        out += scalar_;
        return;
    }
    const bool object = type_ == Type::Object;
    // Scalars alone stand on one line: an array's always, an object's when short.
    bool scalars = true;
    std::string line = object ? "{" : "[";
    for (size_t i = 0; i < members_.size(); ++i) {
        scalars = scalars && members_[i].second.type_ == Type::Scalar;
        line += (i > 0 ? ", " : "") + (object ? jsonString(members_[i].first) + ": " : "") + members_[i].second.scalar_;
    }
    if (scalars && (!object || line.size() < kShortObject)) {
        out += line + (object ? "}" : "]");
        return;
    }
    const std::string indent(2 * (depth + 1), ' ');
    out += object ? "{\n" : "[\n";
    for (size_t i = 0; i < members_.size(); ++i) {
        out += indent;
        if (object) out += jsonString(members_[i].first) + ": ";
        members_[i].second.write(out, depth + 1);
        out += i + 1 < members_.size() ? ",\n" : "\n";
    }
    out += std::string(2 * depth, ' ') + (object ? "}" : "]");
}

std::string jsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}
