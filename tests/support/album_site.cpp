#include "support/album_site.h"

#include <cstdint>
#include <nlohmann/json.hpp>

namespace quellora::testing {

AlbumSite::AlbumSite() {
  server_ = std::make_unique<RecordingServer>(
      [this](const httplib::Request& request, httplib::Response& response) {
        SiteAnswer answer;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          auto found = answers_.find(request.target);
          if (found == answers_.end()) {
            response.status = 404;
            response.set_content("not found", "text/plain");
            return;
          }
          answer = found->second;
        }
        if (answer.before) answer.before();
        response.status = answer.status;
        if (answer.announcedLength == 0) {
          response.set_content(answer.body, answer.contentType.c_str());
          return;
        }
        auto body = std::make_shared<std::string>(answer.body);
        response.set_content_provider(
            answer.announcedLength, answer.contentType.c_str(),
            [body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
              if (offset < body->size()) {
                sink.write(body->data() + offset, body->size() - offset);
                return true;
              }
              return false;  // cut the connection short of the announced length
            });
      });
}

void AlbumSite::Set(const std::string& target, SiteAnswer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[target] = std::move(answer);
}

void AlbumSite::Set(const std::string& target, const std::string& body,
                    const std::string& contentType) {
  SiteAnswer answer;
  answer.body = body;
  answer.contentType = contentType;
  Set(target, std::move(answer));
}

std::vector<std::string> AlbumSite::Targets() const {
  std::vector<std::string> targets;
  for (const auto& request : server_->Requests()) targets.push_back(request.target);
  return targets;
}

std::string SearchPage(const std::vector<AlbumEntry>& albums) {
  std::string page =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
      "</head><body>\n";
  for (const auto& album : albums) {
    page += "<div class=\"info title\"><a href=\"" + album.link + "\" hashlink>《" + album.name +
            "》</a></div>\n";
    page += "<div class=\"info last\"><a href=\"/" + album.publisher + "\" hashlink> " +
            album.publisher + " <i class=\"icon\"></i></div>\n";
  }
  return page + "</body></html>\n";
}

std::string AlbumPage(const std::string& pagingBar, const std::vector<std::string>& hrefs) {
  std::string page = "<html><head><meta charset=\"utf-8\"></head><body>\n";
  for (const auto& href : hrefs) {
    page += "<li><a class=\"title\" href=\"" + href + "\" hashlink title=\"t\">t</a></li>\n";
  }
  if (!pagingBar.empty()) {
    page += "<div class=\"pagingBar_wrapper\" data-x=\"1\">" + pagingBar + "</div>\n";
  }
  return page + "</body></html>\n";
}

std::string TrackJson(const std::string& playPath, const std::string& albumTitle,
                      const std::string& title) {
  nlohmann::ordered_json json;
  json["id"] = 1;
  json["play_path"] = playPath;
  json["album_title"] = albumTitle;
  json["title"] = title;
  return json.dump();
}

std::string AudioBytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::uint32_t state = 2463534242u ^ (seed * 2654435761u);
  for (std::size_t i = 0; i < size; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<char>(i < 256 ? i : (state & 0xFF));
  }
  return bytes;
}

}  // namespace quellora::testing
