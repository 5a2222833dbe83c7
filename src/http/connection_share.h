// The connection cache that every WebFetch call shares, so that pages and track descriptions
// reuse kept-alive connections instead of opening one per request.
//
// Why a shared cache (a CURLSH) and not a handle kept per thread: every call still makes an easy
// handle of its own, so nothing but open connections passes from one call to the next (no
// cookie, header or option), and a connection one thread left open serves the next request to
// that host from any thread. The cache keeps at most KeptConnections() idle connections (the
// oldest is closed first); at most one request runs per calling thread, so the connections open
// to one host never outnumber the threads that fetch at once.
#pragma once

#include <curl/curl.h>

namespace quellora {

/// The process-wide share of libcurl's connection cache (thread-safe: its lock callbacks use one
/// mutex per kind of shared data); nullptr when libcurl could not make it (then every call
/// connects anew).
CURLSH* SharedConnectionCache();

/// How many idle connections the shared cache keeps (CURLOPT_MAXCONNECTS of each call).
long KeptConnections() noexcept;

/// Sets KeptConnections() (at least 1); the program sets it to its number of download jobs.
void SetKeptConnections(long count) noexcept;

}  // namespace quellora
