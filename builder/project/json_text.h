// JSON text the builder writes (the schema of project files): values built up
// in order and written indented.
#pragma once

#include <string>
#include <utility>
#include <vector>

class Json {
public:
    Json(const char* text);
    Json(const std::string& text);
    Json(long long number);
    Json(int number) : Json(static_cast<long long>(number)) {}
    Json(bool flag);
    static Json object();
    static Json array();

    // An object's member, added at the end or replaced where it stands.
    Json& set(const std::string& key, Json value);
    // An object's member, or nullptr.
    Json* member(const std::string& key);
    // An array's next element.
    Json& add(Json value);

    // The text, two spaces a level; an array of scalars, and a short object of
    // them, on one line.
    std::string text() const;

private:
    enum class Type { Scalar, Object, Array };
    explicit Json(Type type) : type_(type) {}
    void write(std::string& out, int depth) const;

    Type type_ = Type::Scalar;
    std::string scalar_;  // a scalar's JSON text
    std::vector<std::pair<std::string, Json>> members_;  // an array's elements have no key
};

// A JSON string: quotes, backslashes and control characters escaped.
std::string jsonString(const std::string& utf8);
