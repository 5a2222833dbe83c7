// JsonObject: holds one JSON value and reads and changes it by path.
//
// Paths are JavaScript member accesses as the caller writes them: names joined by dots, [n]
// indexes, quoted keys in brackets (['a b'], ["x"]), e.g. a, a.b, list[0].c, ['odd key'].x; a
// path may begin with "[". The empty path stands for the whole value. A path that does not
// evaluate (bad syntax, or a step through a missing member) gives each operation its empty
// value: "", 0, false, or no change.
//
// Values handed to the building operations are either quoted (read as the text of a JavaScript
// string literal in apostrophes: backslash escapes are understood, an unescaped apostrophe or a
// line break makes the value invalid) or raw (a JSON text, a JavaScript string literal in
// apostrophes, or a reference to this object's value written "da", "da.path" or "da[...]").
// Nothing is ever executed: JSON text is read as data.
//
// Text in and out is in the program's code page (GB18030); inside, strings are Unicode, so
// characters outside GBK survive a round trip. Copies are independent values.
#pragma once

#include <cstdint>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string_view>

#include "runtime/text.h"

namespace quellora {

/// The codes TypeOf returns and Reset takes.
enum JsonType : std::int32_t {
  kJsonNull = 0,  ///< null or undefined, also a member that does not exist
  kJsonNumber = 2,
  kJsonObject = 4,
  kJsonArray = 5,
  kJsonString = 6,
  kJsonOther = -1,  ///< a boolean, or a path that does not evaluate
};

class JsonObject {
 public:
  /// A new object holds an empty JSON object as its value.
  JsonObject();
  ~JsonObject();
  JsonObject(const JsonObject& other);
  JsonObject& operator=(const JsonObject& other);
  JsonObject(JsonObject&& other) noexcept;
  JsonObject& operator=(JsonObject&& other) noexcept;

  /// Starts over: the value becomes an empty object.
  void CreateEngine();

  /// Replaces the value by the JSON text json (a top-level JSON string is that string). Returns
  /// true when the new value is neither null nor missing; an invalid text leaves null.
  bool Parse(std::string_view json);

  /// Compact JSON text of the whole value; "" when the value is undefined.
  Text ToJson() const;

  /// Sets member key to value (quoted), or with isObject to the JSON value value describes
  /// (an empty value means "{}"). An invalid key or value changes nothing.
  void SetText(std::string_view key, std::string_view value, bool isObject = false);
  /// Sets member key to the JSON value value describes; an empty value makes it undefined.
  void SetExpression(std::string_view key, std::string_view value);
  /// Sets member key to number rounded as ToText writes it (13 significant digits); a number
  /// that is not finite changes nothing.
  void SetNumber(std::string_view key, double number);
  /// Member key as a number: numbers, numeric strings, booleans as 1/0; 0 otherwise.
  double GetNumber(std::string_view key) const;
  /// Compact JSON text of member key; "" when it is missing.
  Text GetJson(std::string_view key) const;

  /// The value at path as text: strings unchanged, numbers as ToText writes them, booleans
  /// "true"/"false", objects and arrays as compact JSON, null and missing as "".
  /// With asJson, the compact JSON text of the value ("" when missing).
  Text GetText(std::string_view path, bool asJson = false) const;
  /// An independent object holding the value at path as its JSON text describes it.
  JsonObject GetObject(std::string_view path) const;

  /// Number of members of an object or elements of an array at path; 0 for anything else.
  std::int32_t MemberCount(std::string_view path = "") const;

  /// Appends value (quoted unless raw) to the array at path; what is there first becomes an
  /// empty array when it is not one.
  void Push(std::string_view value, std::string_view path = "", bool raw = false);
  /// An independent object holding element i (0-based) of the value at path.
  JsonObject GetElementObject(std::int32_t i, std::string_view path = "") const;
  /// Element i (0-based) of the value at path, read as GetText reads a value.
  Text GetElementText(std::int32_t i, std::string_view path = "", bool asJson = false) const;
  /// Sets element i of the whole value (on an object: the member named i in decimal).
  void SetElement(std::int32_t i, std::string_view value, bool raw = false);
  /// Removes element i of the whole value when it is an array; a negative i counts from the end.
  void RemoveElement(std::int32_t i);
  /// Removes member key; a missing member changes nothing.
  void DeleteMember(std::string_view key);
  /// kJsonNull or kJsonObject: empty object; kJsonArray: empty array; any other code: no change.
  void Reset(std::int32_t type);
  /// Replaces the whole value by value (quoted unless raw).
  void SetRoot(std::string_view value, bool raw = false);
  /// True when member key exists and is not null.
  bool Has(std::string_view key) const;
  /// Replaces keys by the member names of the object at path (element indexes of an array) and
  /// returns their number; 0 and an empty array for anything else.
  std::int32_t ListKeys(TextArray& keys, std::string_view path = "") const;
  /// The JsonType code of the value at path.
  std::int32_t TypeOf(std::string_view path = "") const;
  /// The value becomes an empty object.
  void Clear();

 private:
  std::unique_ptr<nlohmann::ordered_json> value_;
};

}  // namespace quellora
