// A scripted audio service for end-to-end tests: fixed answers per request target, served by a
// RecordingServer on 127.0.0.1, plus builders for the page and JSON shapes the program reads.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/recording_server.h"

namespace quellora::testing {

/// One scripted answer.
struct SiteAnswer {
  int status = 200;
  std::string body;
  std::string contentType = "text/html";
  /// When set, the answer announces this Content-Length but sends only body, then closes.
  std::size_t announcedLength = 0;
  /// Run before answering (e.g. to stop the server after this request).
  std::function<void()> before;
};

/// Answers by exact request target ("/search/x", "/u1/album/7?page=1"); anything else is 404.
class AlbumSite {
 public:
  AlbumSite();

  /// Sets the answer for a target; targets are compared as sent (percent-encoded).
  void Set(const std::string& target, SiteAnswer answer);
  /// Shorthand for a 200 answer with body.
  void Set(const std::string& target, const std::string& body,
           const std::string& contentType = "text/html");

  std::string Origin() const { return server_->Origin(); }
  RecordingServer& server() { return *server_; }
  /// The request targets so far, in order.
  std::vector<std::string> Targets() const;

 private:
  std::mutex mutex_;
  std::map<std::string, SiteAnswer> answers_;
  std::unique_ptr<RecordingServer> server_;
};

/// One album entry of a search page.
struct AlbumEntry {
  std::string link;
  std::string name;
  std::string publisher;
};

/// A search page in UTF-8 (declared with a meta tag) listing the albums in the service's shape.
std::string SearchPage(const std::vector<AlbumEntry>& albums);
/// An album page in UTF-8: the paging bar (HTML inside the bar, or no bar when empty) and one
/// track anchor per href ("/u1/sound/101").
std::string AlbumPage(const std::string& pagingBar, const std::vector<std::string>& hrefs);
/// A track description as JSON text.
std::string TrackJson(const std::string& playPath, const std::string& albumTitle,
                      const std::string& title);
/// Deterministic pseudo-random bytes (all 256 values occur), different per seed.
std::string AudioBytes(std::size_t size, unsigned seed);

}  // namespace quellora::testing
