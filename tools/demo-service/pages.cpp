#include "pages.h"

#include <nlohmann/json.hpp>

#include "runtime/codepage.h"

namespace quellora::demo {
namespace {

std::string Escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Head(const std::string& charset, std::string_view title) {
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta http-equiv=\"Content-Type\" "
         "content=\"text/html; charset=" +
         charset + "\">\n<title>" + Escape(title) + "</title>\n</head>\n<body>\n";
}

std::string PagingBar(const Album& album, int page) {
  const int last = PageCount(album);
  std::string bar = "<div class=\"pagingBar_wrapper\" id=\"pager\">\n";
  for (int p = 1; p <= last; ++p) {
    const std::string number = std::to_string(p);
    bar += "  <a href=\"" + album.Link() + "?page=" + number + "\" data-page='" + number + "'" +
           (p == page ? " class=\"current\"" : "") + ">" + number + "</a>\n";
  }
  if (page < last) {
    const std::string next = std::to_string(page + 1);
    bar += "  <a href=\"" + album.Link() + "?page=" + next + "\" data-page='" + next +
           "' class=\"next\">下一页</a>\n";
  }
  return bar + "</div>\n";
}

}  // namespace

std::string HtmlContentType(const std::string& charset) {
  return "text/html; charset=" + charset;
}

std::string RenderSearchPage(std::string_view query, const std::vector<const Album*>& albums) {
  std::string page = Head("utf-8", std::string("Search: ") + std::string(query));
  page += "<h1>Albums</h1>\n<ul class=\"result\">\n";
  for (const Album* album : albums) {
    page += "<li>\n<div class=\"info title\">\n  <a href=\"" + album->Link() + "\" hashlink>" +
            Escape(album->name) + "</a>\n</div>\n";
    page += "<div class=\"info last\">\n  <a href=\"/" + album->owner + "\" hashlink> " +
            Escape(album->publisher) + " <i class=\"icon-user\"></i></a>\n</div>\n</li>\n";
  }
  return page + "</ul>\n</body>\n</html>\n";
}

int PageCount(const Album& album) {
  const int count = static_cast<int>(album.tracks.size());
  return count == 0 ? 1 : (count + album.tracksPerPage - 1) / album.tracksPerPage;
}

std::string RenderAlbumPage(const Album& album, int page) {
  std::string html = Head(album.charset, album.name);
  html += "<h1>" + Escape(album.name) + "</h1>\n<ul class=\"tracks\">\n";
  const std::size_t first = static_cast<std::size_t>(page - 1) * album.tracksPerPage;
  for (std::size_t i = first; page >= 1 && i < album.tracks.size() &&
                              i < first + static_cast<std::size_t>(album.tracksPerPage);
       ++i) {
    const Track& track = album.tracks[i];
    html += "<li><a class=\"title\" href=\"/" + album.owner + "/sound/" + track.id +
            "\" hashlink title=\"" + Escape(track.title) + "\">" + Escape(track.title) +
            "</a></li>\n";
  }
  html += "</ul>\n";
  if (album.pagingBar) html += PagingBar(album, page);
  html += "</body>\n</html>\n";
  if (album.charset == "utf-8") return html;
  return ConvertLenient(html, "UTF-8", album.charset);
}

std::string RenderTrackJson(const Album& album, const Track& track, std::string_view origin) {
  nlohmann::ordered_json json;
  json["id"] = track.id;
  json["title"] = track.title;
  json["album_title"] = album.title;
  json["play_path"] = std::string(origin) + "/audio/" + track.id + ".mp3";
  json["owner"] = album.owner;
  json["album_id"] = album.id;
  return json.dump();
}

}  // namespace quellora::demo
