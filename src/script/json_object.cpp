#include "script/json_object.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "script/js_syntax.h"
#include "script/json_text.h"

namespace quellora {
namespace {

using Json = nlohmann::ordered_json;

/// How far an array may grow past its end when an element beyond it is set.
constexpr std::size_t kMaxArrayGap = 65536;

enum class Reach {
  kValue,      // the path leads to a value
  kUndefined,  // the last step finds nothing
  kError,      // a step before the last finds nothing: the path does not evaluate
};

template <class J>
struct Reached {
  Reach reach;
  J* value;
};

/// Follows the first count steps of path from root.
template <class J>
Reached<J> Walk(J& root, const JsonPath& path, std::size_t count) {
  Reached<J> at{root.is_discarded() ? Reach::kUndefined : Reach::kValue, &root};
  for (std::size_t s = 0; s < count; ++s) {
    if (at.reach != Reach::kValue || at.value->is_null()) return {Reach::kError, nullptr};
    J& value = *at.value;
    J* next = nullptr;
    if (value.is_object()) {
      auto it = value.find(path[s]);
      if (it != value.end()) next = &*it;
    } else if (value.is_array()) {
      std::size_t index = 0;
      if (IsArrayIndex(path[s], index) && index < value.size()) next = &value[index];
    }
    at = next && !next->is_discarded() ? Reached<J>{Reach::kValue, next}
                                       : Reached<J>{Reach::kUndefined, nullptr};
  }
  return at;
}

template <class J>
Reached<J> Walk(J& root, const JsonPath& path) {
  return Walk(root, path, path.size());
}

/// A path argument: the empty path is the whole value.
std::optional<JsonPath> PathOf(std::string_view path) {
  return ParseJsonPath(TextToUtf8(path));
}

/// A key argument: like a path, but it must name a member.
std::optional<JsonPath> KeyOf(std::string_view key) {
  auto path = PathOf(key);
  if (path && path->empty()) return std::nullopt;
  return path;
}

JsonPath WithIndex(JsonPath path, std::int32_t i) {
  path.push_back(std::to_string(i));
  return path;
}

std::string JsonUtf8(const Json& value) {
  std::string out;
  AppendJson(value, out);
  return out;
}

/// A value read as text.
Text PlainText(const Json& value) {
  switch (value.type()) {
    case Json::value_t::string:
      return Utf8ToText(value.get_ref<const std::string&>());
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
      return ToText(value.get<double>());
    case Json::value_t::boolean:
      return value.get<bool>() ? "true" : "false";
    case Json::value_t::object:
    case Json::value_t::array:
      return Utf8ToText(JsonUtf8(value));
    default:
      return "";
  }
}

Text ReadText(const Json& root, const std::optional<JsonPath>& path, bool asJson) {
  if (!path) return "";
  auto found = Walk(root, *path);
  if (found.reach != Reach::kValue) return "";
  return asJson ? Utf8ToText(JsonUtf8(*found.value)) : PlainText(*found.value);
}

/// A quoted value: the caller's text as the body of a string literal in apostrophes.
std::optional<Json> QuotedValue(std::string_view value) {
  auto text = ReadQuotedValue(TextToUtf8(value));
  if (!text) return std::nullopt;
  return Json(std::move(*text));
}

/// A raw value: JSON text, a string literal in apostrophes, or a reference to root written
/// "da", "da.path" or "da[...]".
std::optional<Json> RawValue(const Json& root, std::string_view value) {
  std::string utf8 = TextToUtf8(value);
  std::string_view text = TrimJsSpace(utf8);
  if (text.empty()) return std::nullopt;
  if (text.front() == '\'') {
    std::size_t at = 0;
    auto literal = ReadStringLiteral(text, at);
    if (!literal || at != text.size()) return std::nullopt;
    return Json(std::move(*literal));
  }
  if (text.substr(0, 2) == "da" && (text.size() == 2 || !IsNameByte(text[2]))) {
    std::string_view rest = TrimJsSpace(text.substr(2));
    std::optional<JsonPath> path;
    if (rest.empty()) {
      path.emplace();
    } else if (rest.front() == '[') {
      path = ParseJsonPath(rest);
    } else if (rest.front() == '.') {
      std::string_view member = TrimJsSpace(rest.substr(1));
      if (!member.empty() && member.front() != '[') path = ParseJsonPath(member);
    }
    if (!path) return std::nullopt;
    auto found = Walk(root, *path);
    if (found.reach == Reach::kError) return std::nullopt;
    return found.reach == Reach::kValue ? *found.value : Undefined();
  }
  auto json = ReadJsonText(text);
  if (!json || json->is_discarded()) return std::nullopt;
  return json;
}

/// Sets the value at path (not empty) as an assignment in a script would; false when the
/// assignment cannot be made (the parent is missing, or the value would nest too deep).
bool Assign(Json& root, const JsonPath& path, Json value) {
  if (path.size() + JsonDepth(value) > kMaxJsonDepth) return false;
  auto parent = Walk(root, path, path.size() - 1);
  if (parent.reach != Reach::kValue || parent.value->is_null()) return false;
  Json& target = *parent.value;
  const std::string& name = path.back();
  if (target.is_object()) {
    target[name] = std::move(value);
  } else if (target.is_array()) {
    // A name that is not an index would be a property no JSON text shows: nothing to keep.
    std::size_t index = 0;
    if (!IsArrayIndex(name, index)) return true;
    if (index < target.size()) {
      target[index] = std::move(value);
    } else if (index - target.size() <= kMaxArrayGap) {
      while (target.size() < index) target.push_back(nullptr);
      target.push_back(std::move(value));
    } else {
      return false;
    }
  }
  // A property of a string, number or boolean is not kept either.
  return true;
}

const Json& EmptyObject() {
  static const Json empty = Json::object();
  return empty;
}

// A moved-from object reads as a new one and becomes one on its first change.
Json& Root(std::unique_ptr<Json>& value) {
  if (!value) value = std::make_unique<Json>(Json::object());
  return *value;
}
const Json& Root(const std::unique_ptr<Json>& value) {
  return value ? *value : EmptyObject();
}

/// A new object holding what the JSON text of the value at path describes.
JsonObject CopyAt(const Json& root, const std::optional<JsonPath>& path) {
  JsonObject copy;
  std::string text;
  if (path) {
    auto found = Walk(root, *path);
    if (found.reach == Reach::kValue) AppendJson(*found.value, text);
  }
  copy.Parse(Utf8ToText(text));
  return copy;
}

}  // namespace

JsonObject::JsonObject() : value_(std::make_unique<Json>(Json::object())) {}
JsonObject::~JsonObject() = default;
JsonObject::JsonObject(const JsonObject& other)
    : value_(std::make_unique<Json>(other.value_ ? *other.value_ : EmptyObject())) {}
JsonObject& JsonObject::operator=(const JsonObject& other) {
  if (this != &other) value_ = std::make_unique<Json>(other.value_ ? *other.value_ : EmptyObject());
  return *this;
}
JsonObject::JsonObject(JsonObject&& other) noexcept = default;
JsonObject& JsonObject::operator=(JsonObject&& other) noexcept = default;

void JsonObject::CreateEngine() {
  Root(value_) = Json::object();
}

bool JsonObject::Parse(std::string_view json) {
  auto parsed = ReadJsonText(TextToUtf8(json));
  Json& root = Root(value_);
  root = parsed ? std::move(*parsed) : Json(nullptr);
  return !root.is_null() && !root.is_discarded();
}

Text JsonObject::ToJson() const {
  return Utf8ToText(JsonUtf8(Root(value_)));
}

void JsonObject::SetText(std::string_view key, std::string_view value, bool isObject) {
  auto path = KeyOf(key);
  if (!path) return;
  auto json =
      isObject ? ReadJsonText(TextToUtf8(value.empty() ? "{}" : value)) : QuotedValue(value);
  if (json) Assign(Root(value_), *path, std::move(*json));
}

void JsonObject::SetExpression(std::string_view key, std::string_view value) {
  auto path = KeyOf(key);
  if (!path) return;
  auto json = ReadJsonText(TextToUtf8(value));
  if (json) Assign(Root(value_), *path, std::move(*json));
}

void JsonObject::SetNumber(std::string_view key, double number) {
  auto path = KeyOf(key);
  if (!path) return;
  // The number is stored as ToText writes it, rounded to 13 significant digits.
  Text text = ToText(number);
  double rounded = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), rounded);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
      !std::isfinite(rounded)) {
    return;
  }
  Assign(Root(value_), *path, Json(rounded));
}

double JsonObject::GetNumber(std::string_view key) const {
  auto path = KeyOf(key);
  if (!path) return 0;
  auto found = Walk(Root(value_), *path);
  if (found.reach != Reach::kValue) return 0;
  const Json& value = *found.value;
  if (value.is_number()) return value.get<double>();
  if (value.is_boolean()) return value.get<bool>() ? 1 : 0;
  if (value.is_string()) {
    std::string_view text = TrimJsSpace(value.get_ref<const std::string&>());
    double number = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    if (result.ec == std::errc() && result.ptr == text.data() + text.size()) return number;
  }
  return 0;
}

Text JsonObject::GetJson(std::string_view key) const {
  auto path = KeyOf(key);
  return path ? ReadText(Root(value_), path, true) : Text();
}

Text JsonObject::GetText(std::string_view path, bool asJson) const {
  return ReadText(Root(value_), PathOf(path), asJson);
}

JsonObject JsonObject::GetObject(std::string_view path) const {
  return CopyAt(Root(value_), PathOf(path));
}

std::int32_t JsonObject::MemberCount(std::string_view path) const {
  auto steps = PathOf(path);
  if (!steps) return 0;
  auto found = Walk(Root(value_), *steps);
  if (found.reach != Reach::kValue || !found.value->is_structured()) return 0;
  return static_cast<std::int32_t>(found.value->size());
}

void JsonObject::Push(std::string_view value, std::string_view path, bool raw) {
  auto steps = PathOf(path);
  if (!steps) return;
  Json& root = Root(value_);
  // A raw empty value appends nothing, but the target still becomes an array.
  bool nothing = raw && TrimJsSpace(TextToUtf8(value)).empty();
  std::optional<Json> element;
  if (!nothing) {
    element = raw ? RawValue(root, value) : QuotedValue(value);
    if (!element) return;
    if (steps->size() + 1 + JsonDepth(*element) > kMaxJsonDepth) return;
  }
  if (steps->empty()) {
    if (!root.is_array()) root = Json::array();
    if (element) root.push_back(std::move(*element));
    return;
  }
  auto target = Walk(root, *steps);
  if (target.reach == Reach::kError) return;
  if (target.reach != Reach::kValue || !target.value->is_array()) {
    if (!Assign(root, *steps, Json::array())) return;
    target = Walk(root, *steps);
    if (target.reach != Reach::kValue || !target.value->is_array()) return;
  }
  if (element) target.value->push_back(std::move(*element));
}

JsonObject JsonObject::GetElementObject(std::int32_t i, std::string_view path) const {
  auto steps = PathOf(path);
  return CopyAt(Root(value_), steps ? std::optional(WithIndex(*steps, i)) : std::nullopt);
}

Text JsonObject::GetElementText(std::int32_t i, std::string_view path, bool asJson) const {
  auto steps = PathOf(path);
  if (!steps) return "";
  return ReadText(Root(value_), WithIndex(*steps, i), asJson);
}

void JsonObject::SetElement(std::int32_t i, std::string_view value, bool raw) {
  Json& root = Root(value_);
  auto element = raw ? RawValue(root, value) : QuotedValue(value);
  if (element) Assign(root, WithIndex({}, i), std::move(*element));
}

void JsonObject::RemoveElement(std::int32_t i) {
  Json& root = Root(value_);
  if (!root.is_array()) return;
  auto size = static_cast<std::int64_t>(root.size());
  std::int64_t index = i < 0 ? std::max<std::int64_t>(size + i, 0) : i;
  if (index < size) root.erase(static_cast<std::size_t>(index));
}

void JsonObject::DeleteMember(std::string_view key) {
  auto path = KeyOf(key);
  if (!path) return;
  auto parent = Walk(Root(value_), *path, path->size() - 1);
  if (parent.reach != Reach::kValue) return;
  Json& target = *parent.value;
  if (target.is_object()) {
    target.erase(path->back());
  } else if (target.is_array()) {
    std::size_t index = 0;
    if (IsArrayIndex(path->back(), index) && index < target.size()) target[index] = Undefined();
  }
}

void JsonObject::Reset(std::int32_t type) {
  if (type == kJsonNull || type == kJsonObject) {
    Root(value_) = Json::object();
  } else if (type == kJsonArray) {
    Root(value_) = Json::array();
  }
}

void JsonObject::SetRoot(std::string_view value, bool raw) {
  Json& root = Root(value_);
  auto json = raw ? RawValue(root, value) : QuotedValue(value);
  if (json) root = std::move(*json);
}

bool JsonObject::Has(std::string_view key) const {
  auto path = KeyOf(key);
  if (!path) return false;
  auto found = Walk(Root(value_), *path);
  return found.reach == Reach::kValue && !found.value->is_null();
}

std::int32_t JsonObject::ListKeys(TextArray& keys, std::string_view path) const {
  keys = TextArray();
  auto steps = PathOf(path);
  if (!steps) return 0;
  auto found = Walk(Root(value_), *steps);
  if (found.reach != Reach::kValue) return 0;
  const Json& value = *found.value;
  if (value.is_object()) {
    for (const auto& [key, member] : value.items()) keys.Append(Utf8ToText(key));
  } else if (value.is_array()) {
    for (std::size_t i = 0; i < value.size(); ++i) keys.Append(std::to_string(i));
  }
  return keys.ElementCount();
}

std::int32_t JsonObject::TypeOf(std::string_view path) const {
  auto steps = PathOf(path);
  if (!steps) return kJsonOther;
  auto found = Walk(Root(value_), *steps);
  if (found.reach == Reach::kError) return kJsonOther;
  if (found.reach == Reach::kUndefined) return kJsonNull;
  switch (found.value->type()) {
    case Json::value_t::null:
      return kJsonNull;
    case Json::value_t::string:
      return kJsonString;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
      return kJsonNumber;
    case Json::value_t::object:
      return kJsonObject;
    case Json::value_t::array:
      return kJsonArray;
    default:
      return kJsonOther;
  }
}

void JsonObject::Clear() {
  Root(value_) = Json::object();
}

}  // namespace quellora
