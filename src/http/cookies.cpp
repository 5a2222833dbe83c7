#include "http/cookies.h"

#include <cstddef>
#include <vector>

namespace quellora {
namespace {

struct CookieItems {
  std::vector<Text> names;
  std::vector<Text> values;
};

// Splits a blank-free cookie string at ";" and reads every item's name and value.
void ReadItems(std::string_view cookieString, CookieItems& items) {
  const TextArray parts = TextSplit(cookieString, ";");
  for (const Text& item : parts.Elements()) {
    items.names.push_back(CookieName(item));
    items.values.push_back(CookieValue(item));
  }
}

}  // namespace

Text CookieName(std::string_view item) {
  const std::size_t equals = item.find('=');
  return TextTrim(equals == std::string_view::npos ? item : item.substr(0, equals));
}

Text CookieValue(std::string_view item) {
  const std::size_t equals = item.find('=');
  if (equals == std::string_view::npos) return Text();
  return Text(item.substr(equals + 1));
}

Text MergeCookies(Text& cookies, Text& newCookies) {
  cookies = TextRemoveSpaces(cookies);
  newCookies = TextRemoveSpaces(newCookies);
  if (newCookies.empty()) return cookies;

  CookieItems fresh;
  ReadItems(newCookies, fresh);
  CookieItems merged;
  ReadItems(cookies, merged);

  for (std::size_t i = 0; i < fresh.names.size(); ++i) {
    bool found = false;
    for (std::size_t j = 0; j < merged.names.size(); ++j) {
      if (merged.names[j] == fresh.names[i]) {
        merged.values[j] = fresh.values[i];
        found = true;
        break;
      }
    }
    if (!found) {
      merged.names.push_back(fresh.names[i]);
      merged.values.push_back(fresh.values[i]);
    }
  }

  Text rebuilt;
  for (std::size_t j = 0; j < merged.names.size(); ++j) {
    const Text& name = merged.names[j];
    const Text& value = merged.values[j];
    if (value == "deleted" || name.empty() || value.empty()) continue;
    rebuilt += name;
    rebuilt += '=';
    rebuilt += value;
    rebuilt += ';';
  }
  cookies = rebuilt;
  return cookies;
}

}  // namespace quellora
