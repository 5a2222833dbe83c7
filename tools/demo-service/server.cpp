#include "server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "audio.h"
#include "catalogue.h"
#include "pages.h"

namespace quellora::demo {
namespace {

constexpr std::size_t kChunkBytes = 16 * 1024;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The path of the raw request target, decoded; the query is cut off first.
std::string DecodedPath(const httplib::Request& request) {
  return PercentDecode(request.target.substr(0, request.target.find('?')));
}

// Sends body (already in its final bytes), paced to the configured bandwidth.
void SendBody(httplib::Response& response, std::string body, const std::string& contentType,
              const ServiceOptions& options) {
  if (options.rateKiBps <= 0) {
    response.set_content(body, contentType);
    return;
  }
  auto shared = std::make_shared<std::string>(std::move(body));
  const std::size_t bytesPerSecond = static_cast<std::size_t>(options.rateKiBps) * 1024;
  response.set_content_provider(
      shared->size(), contentType,
      [shared, bytesPerSecond](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        const std::size_t n = std::min({length, kChunkBytes, bytesPerSecond});
        const auto start = std::chrono::steady_clock::now();
        if (!sink.write(shared->data() + offset, n)) return false;
        const auto micros = static_cast<std::int64_t>(n * 1000000 / bytesPerSecond);
        std::this_thread::sleep_until(start + std::chrono::microseconds(micros));
        return true;
      });
}

void NotFound(httplib::Response& response, const ServiceOptions& options) {
  response.status = 404;
  SendBody(response,
           "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Not found</title></head>"
           "<body><h1>404 Not found</h1></body></html>\n",
           HtmlContentType("utf-8"), options);
}

int PageNumber(const httplib::Request& request) {
  if (!request.has_param("page")) return 1;
  const std::string value = request.get_param_value("page");
  if (value.empty() || value.size() > 6 ||
      !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 1;
  }
  return std::stoi(value);
}

}  // namespace

std::string PercentDecode(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

void ConfigureConnections(httplib::Server& server) {
  server.set_tcp_nodelay(true);
  server.set_keep_alive_max_count(kKeepAliveRequests);
  server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
}

void InstallRoutes(httplib::Server& server, const ServiceOptions& options,
                   const std::string& origin) {
  server.set_pre_routing_handler([&options](const httplib::Request&, httplib::Response&) {
    if (options.latencyMs > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(options.latencyMs));
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  if (options.log) {
    server.set_logger([](const httplib::Request& request, const httplib::Response&) {
      std::printf("%s %s %s\n", request.method.c_str(), request.target.c_str(),
                  request.version.c_str());
      std::fflush(stdout);
    });
  }

  server.Get(R"(/search/.*)",
             [&options](const httplib::Request& request, httplib::Response& response) {
               const std::string query = DecodedPath(request).substr(8);  // after "/search/"
               SendBody(response, RenderSearchPage(query, FindAlbums(query)),
                        HtmlContentType("utf-8"), options);
             });

  server.Get(R"(/([^/]+)/album/([^/]+))",
             [&options](const httplib::Request& request, httplib::Response& response) {
               const Album* album = FindAlbum(request.matches[1].str(), request.matches[2].str());
               if (album == nullptr) return NotFound(response, options);
               SendBody(response, RenderAlbumPage(*album, PageNumber(request)),
                        HtmlContentType(album->charset), options);
             });

  server.Get(R"(/tracks/([^/]*)\.json)",
             [&options, origin](const httplib::Request& request, httplib::Response& response) {
               const Track* track = nullptr;
               const Album* album = FindTrack(request.matches[1].str(), &track);
               if (album == nullptr) {
                 response.status = 404;
                 SendBody(response, R"({"error":"no such track"})",
                          "application/json; charset=utf-8", options);
                 return;
               }
               SendBody(response, RenderTrackJson(*album, *track, origin),
                        "application/json; charset=utf-8", options);
             });

  auto audio = std::make_shared<AudioRoute>(options);
  server.Get(R"(/audio/([^/]+)\.mp3)",
             [&options, audio](const httplib::Request& request, httplib::Response& response) {
               if (!audio->Serve(request, response)) NotFound(response, options);
             });

  server.set_error_handler(
      [&options](const httplib::Request& request, httplib::Response& response) {
        if (response.status == 404 && response.body.empty()) NotFound(response, options);
        // httplib answers 416 by itself, before any route, to a Range header it cannot parse; an
        // audio file's 416 still says how long the file is.
        if (response.status == 416 && !response.has_header("Content-Range") &&
            request.path.rfind("/audio/", 0) == 0) {
          response.set_header("Content-Range", "bytes */" + std::to_string(options.audioBytes));
        }
      });
}

}  // namespace quellora::demo
