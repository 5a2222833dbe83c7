#include "support/recording_server.h"

#include <strings.h>

#include <chrono>

namespace quellora::testing {

std::string RecordedRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
  }
  return {};
}

int RecordedRequest::HeaderCount(const std::string& name) const {
  int count = 0;
  for (const auto& header : headers) {
    if (strcasecmp(header.first.c_str(), name.c_str()) == 0) ++count;
  }
  return count;
}

RecordingServer::RecordingServer(Handler handler) : handler_(std::move(handler)) {
  server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    RecordedRequest recorded;
    recorded.method = request.method;
    recorded.target = request.target;
    recorded.path = request.path;
    recorded.version = request.version;
    for (const auto& header : request.headers) {
      // The server library adds the peer's address as pseudo headers.
      if (header.first == "REMOTE_ADDR" || header.first == "REMOTE_PORT" ||
          header.first == "LOCAL_ADDR" || header.first == "LOCAL_PORT") {
        continue;
      }
      recorded.headers.push_back(header);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(std::move(recorded));
    }
    handler_(request, response);
  });
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) return;
  thread_ = std::thread([this] {
    server_.listen_after_bind();
    listening_ = false;
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (listening_ && !server_.is_running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

RecordingServer::~RecordingServer() {
  if (!thread_.joinable()) return;
  // stop() does nothing before the serving thread has begun to listen: wait for that (or for
  // the thread to have given up). The server library's read, write and keep-alive time limits
  // bound the wait for connections still open.
  while (listening_ && !server_.is_running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  server_.stop();
  thread_.join();
}

std::string RecordingServer::Origin() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<RecordedRequest> RecordingServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void RecordingServer::Stop() {
  server_.stop();
}

}  // namespace quellora::testing
